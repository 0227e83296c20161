# Two commands matter: `make play` and `make test`. Both install missing
# Debian build packages first when run as root.

BUILD_PACKAGES := build-essential cmake ninja-build pkg-config \
	libgtest-dev libgmock-dev libvterm-dev faketime locales \
	libcurl4-openssl-dev libssl-dev

BUILD    ?= build
SANBUILD ?= build-sanitize
JOBS     ?= $(shell nproc)

.PHONY: all deps build play test test-werror test-sanitize clean bench

all: build

# Installs what is missing; only root can, others are told what to install.
deps:
	@missing=""; for p in $(BUILD_PACKAGES); do \
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

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIMBO_WERROR=ON

$(SANBUILD)/build.ninja:
	cmake -S . -B $(SANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGRIMBO_WERROR=ON -DGRIMBO_SANITIZE=ON

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# A local session at this terminal, in a game directory of its own.
play: build
	@mkdir -p $(BUILD)/play
	@cp -f $(BUILD)/grimbo $(BUILD)/play/grimbo
	@cd $(BUILD)/play && ./grimbo -L -CP437UTF8

test-werror: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps $(SANBUILD)/build.ninja
	cmake --build $(SANBUILD) -j $(JOBS)
	cd $(SANBUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

test: test-werror test-sanitize

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
	@$(MAKE) --no-print-directory deps BUILD_PACKAGES="$(BUILD_PACKAGES) clang libclang-rt-dev"
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
