// An orderly end asked for by a signal: SIGTERM, SIGHUP and (outside local
// mode) SIGINT. The handler only notes the request and wakes any wait of
// the kit; the kernel's next pass ends the session as carrier loss.
#ifndef DOORKIT_CORE_STOP_SIGNAL_H
#define DOORKIT_CORE_STOP_SIGNAL_H

// Installs the handlers (SIGINT only when `take_interrupt`). A signal the
// process was started with ignored stays ignored. 0 = success.
int ODStopSignalsInstall(bool take_interrupt);

// Puts back the dispositions found by ODStopSignalsInstall, for a process
// that goes on after its session has ended.
void ODStopSignalsRestore();

// A stop signal has arrived in this process.
bool ODStopRequested();

// The first stop signal that arrived (SIGTERM, SIGHUP or SIGINT), 0 for none.
int ODStopSignalNumber();

// Readable once a stop has been requested (and for good); -1 when there is
// none. Waits on input poll it beside their own descriptor.
int ODStopWakeDescriptor();

#endif
