# Two commands matter: `make play` and `make test`. Both install missing
# Debian build packages first when run as root.

# The game itself needs only these; the tests need the rest as well.
PRODUCT_PACKAGES := build-essential cmake ninja-build pkg-config libcurl4-openssl-dev
TEST_PACKAGES    := libgtest-dev libgmock-dev libvterm-dev faketime locales libssl-dev
BUILD_PACKAGES   := $(PRODUCT_PACKAGES) $(TEST_PACKAGES)

BUILD    ?= build
SANBUILD ?= build-sanitize
JOBS     ?= $(shell nproc)
# The tests mostly wait (for a door to answer, a lock, a time-out), so more
# of them run at once than there are processors.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) * 3 )))

# Installing: into a game directory (GAMEDIR=/path/to/door), or for a
# package under DESTDIR and PREFIX.
PREFIX  ?= /usr/local
DESTDIR ?=
GAMEDIR ?=
BINDIR  ?= $(PREFIX)/games
MANDIR  ?= $(PREFIX)/share/man

.PHONY: all deps test-deps build play install uninstall test test-werror test-sanitize \
	test-programs clean bench

all: build

# Installs what is missing of $(1); only root can, others are told what to install.
define install_missing
	@missing=""; for p in $(1); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		if [ "$$(id -u)" = 0 ]; then \
			echo "Installing:$$missing"; \
			apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
		else \
			echo "Missing packages (install as root):$$missing"; \
		fi; \
	fi
endef

deps:
	$(call install_missing,$(PRODUCT_PACKAGES))

test-deps:
	$(call install_missing,$(BUILD_PACKAGES))

# A plain build configures without the tests, so it needs none of their packages.
$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIMBO_WERROR=ON \
		-DGRIMBO_TESTS=OFF

# The door and its local telnet test bench.
build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target grimbo grimbo-telnetd

# Puts program $(1) into directory $(2): written beside the old one and
# renamed over it, so nodes running the old one go on and a node starting
# meanwhile finds either the old or the new program, never a partial one.
define put_binary
	@set -e; dir="$(2)"; name="$$(basename "$(1)")"; mkdir -p "$$dir"; \
	new="$$dir/.$$name.new.$$$$"; trap 'rm -f "$$new"' EXIT; \
	cp "$(1)" "$$new"; chmod 0755 "$$new"; mv -fT "$$new" "$$dir/$$name"; trap - EXIT; \
	echo "Installed $$dir/$$name"
endef

# A local session at this terminal, in a game directory of its own.
play: build
	$(call put_binary,$(BUILD)/grimbo,$(BUILD)/play)
	@cd $(BUILD)/play && ./grimbo -L -CP437UTF8

# With GAMEDIR: only the door, into that game directory (made when missing);
# data/, the settings and the bulletins there are never touched.
# Without: the door and the telnet bench to $(BINDIR), the manual page to
# $(MANDIR)/man6.
install: build
ifneq ($(strip $(GAMEDIR)),)
	$(call put_binary,$(BUILD)/grimbo,$(DESTDIR)$(GAMEDIR))
else
	$(call put_binary,$(BUILD)/grimbo,$(DESTDIR)$(BINDIR))
	$(call put_binary,$(BUILD)/grimbo-telnetd,$(DESTDIR)$(BINDIR))
	@mkdir -p "$(DESTDIR)$(MANDIR)/man6"
	@cp docs/grimbo.6 "$(DESTDIR)$(MANDIR)/man6/grimbo.6.new" && \
		chmod 0644 "$(DESTDIR)$(MANDIR)/man6/grimbo.6.new" && \
		mv -f "$(DESTDIR)$(MANDIR)/man6/grimbo.6.new" "$(DESTDIR)$(MANDIR)/man6/grimbo.6"
	@echo "Installed $(DESTDIR)$(MANDIR)/man6/grimbo.6"
endif

uninstall:
ifneq ($(strip $(GAMEDIR)),)
	rm -f "$(DESTDIR)$(GAMEDIR)/grimbo"
else
	rm -f "$(DESTDIR)$(BINDIR)/grimbo" "$(DESTDIR)$(BINDIR)/grimbo-telnetd" \
		"$(DESTDIR)$(MANDIR)/man6/grimbo.6"
endif

# The ten tests that took longest in the run of build directory $(1).
define slowest_ten
	@echo "Slowest ten tests ($(1)):"
	@awk '/^[0-9]+\/[0-9]+ Testing: / { name = $$3 } \
		/^Test time = / { printf "%8.2f s  %s\n", $$4, name }' \
		$(1)/Testing/Temporary/LastTest.log | sort -rn | head -10
endef

# Every program the tests run, and nothing else (no benchmarks).
test-programs: test-deps
	@grep -qs '^GRIMBO_TESTS:BOOL=ON' $(BUILD)/CMakeCache.txt || \
		cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIMBO_WERROR=ON \
			-DGRIMBO_TESTS=ON -DGRIMBO_TEST_PCH=ON
	cmake --build $(BUILD) -j $(JOBS) --target test_programs

test-werror: test-programs
	cd $(BUILD) && ctest --output-on-failure -j $(TEST_JOBS)

$(SANBUILD)/build.ninja:
	cmake -S . -B $(SANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGRIMBO_WERROR=ON -DGRIMBO_SANITIZE=ON \
		-DGRIMBO_TEST_PCH=ON

test-sanitize: test-deps $(SANBUILD)/build.ninja
	cmake --build $(SANBUILD) -j $(JOBS) --target test_programs
	cd $(SANBUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(TEST_JOBS)

test: test-werror test-sanitize
	$(call slowest_ten,$(BUILD))
	$(call slowest_ten,$(SANBUILD))

clean:
	rm -rf $(BUILD) $(SANBUILD)

# Builds the benchmarks (release build) and runs them; they print one table
# of figures, not pass or fail. BENCH_IDLE_SECONDS sets how long each idle
# measure lasts.
BENCH_IDLE_SECONDS ?= 30
BENCHES := bench_output_path bench_idle_session bench_puttext_repaint
bench: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target $(BENCHES)
	@echo
	@echo "Machine: $$(nproc) processors, $$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
	@echo
	@echo "| measure | figure | against | goal |"
	@echo "|---|---|---|---|"
	@$(BUILD)/bench/bench_output_path $(BENCH_IDLE_SECONDS)
	@$(BUILD)/bench/bench_idle_session $(BENCH_IDLE_SECONDS)
	@$(BUILD)/bench/bench_puttext_repaint

# Fuzzes every reader for a bounded time with clang's libFuzzer; new
# interesting inputs land in fuzz/corpus/<name>/ and are replayed by make test.
FUZZBUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
.PHONY: fuzz
fuzz:
	@$(MAKE) --no-print-directory test-deps BUILD_PACKAGES="$(BUILD_PACKAGES) clang libclang-rt-dev"
	CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DGRIMBO_FUZZ=ON -DGRIMBO_TESTS=OFF \
		-DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fsanitize=fuzzer-no-link"
	cmake --build $(FUZZBUILD) -j $(JOBS)
	@for f in $(FUZZBUILD)/fuzz/*_fuzz; do \
		[ -x "$$f" ] || continue; \
		name=$$(basename $$f _fuzz); mkdir -p fuzz/corpus/$$name; \
		echo "== fuzzing $$name for $(FUZZ_SECONDS) s"; \
		$$f -max_total_time=$(FUZZ_SECONDS) -max_len=4096 fuzz/corpus/$$name || exit 1; \
	done
