#!/usr/bin/env bash
# Which failed tests of a sanitizer run scripts/test runs once more, on ctest output of the shapes
# seen in CI runs (shortened).
set -uo pipefail
source "$1"
failures=0
expect() {
    local want=$1 what=$2 block=$3 got=no
    exit_race_only "$block" && got=yes
    if [ "$got" != "$want" ]; then
        echo "FAIL: $what: run once more? expected $want, got $got"
        failures=$((failures + 1))
    fi
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Two tests running side by side: the phone started by the first was ended by the tracer, so the
# test saw exit code 1 where it expected 2; the second failed one of its own checks.
cat >"$log" <<'LOG'
      Start 58: tst_phone_faults_signInThroughAFaultyService
57/89 Test #58: tst_phone_faults_signInThroughAFaultyService .............   Passed   55.03 sec
      Start 60: tst_phone_faults_serviceStoppedDuringSignIn
59/89 Test #55: audio_interop_call_test ..................................***Failed   68.12 sec
[ RUN      ] InteropCall.Baresip
../tests/integration/audio/interop_call_test.cpp:199: Failure
Expected equality of these values:
  phone.WaitForExit(std::chrono::seconds(20))
    Which is: 1
  2
zuvo.logic: media started
Tracer caught signal 11: addr=0x2700 pc=0x7fe6310e80f0 sp=0x7fe61db45d10
==6874==LeakSanitizer has encountered a fatal error.
[  FAILED  ] InteropCall.Baresip (33521 ms)
[  FAILED  ] 1 test, listed below:
      Start 61: tst_phone_faults_registrarKilledInACallAndStartedAgain
60/89 Test #60: tst_phone_faults_serviceStoppedDuringSignIn ..............***Failed   5.96 sec
FAIL!  : tst_phone_faults::serviceStoppedDuringSignIn() 'WaitForText("Ready to call")' returned FALSE.
Totals: 0 passed, 1 failed, 0 skipped, 0 blacklisted, 5900ms
      Start 62: tst_phone_faults_farEndFrozenInACall
61/89 Test #62: tst_phone_faults_farEndFrozenInACall .....................   Passed   33.12 sec

99% tests passed, 2 tests failed out of 89

The following tests FAILED:
	 55 - audio_interop_call_test (Failed)
	 60 - tst_phone_faults_serviceStoppedDuringSignIn (Failed)
Errors while running CTest
LOG

names=$(failed_tests "$log" | tr '\n' ' ')
[ "$names" = "audio_interop_call_test tst_phone_faults_serviceStoppedDuringSignIn " ] || {
    echo "FAIL: failed tests read as '$names'"
    failures=$((failures + 1))
}
interop=$(failed_test_block "$log" audio_interop_call_test)
faults=$(failed_test_block "$log" tst_phone_faults_serviceStoppedDuringSignIn)
grep -q "Tracer caught" <<<"$faults" && {
    echo "FAIL: one test's block runs into the next"
    failures=$((failures + 1))
}
expect yes "a started phone ended by the tracer" "$interop"
expect no "a failed check" "$faults"
expect yes "the test itself ended by the tracer" "Totals: 3 passed, 0 failed
Tracer caught signal 11: addr=0x0 pc=0x4f5070 sp=0x7efd9a5dad30
==8160==LeakSanitizer has encountered a fatal error."
expect no "a tracer crash after an AddressSanitizer error" "==77==ERROR: AddressSanitizer: heap-use-after-free on address 0x6020
Tracer caught signal 11: addr=0x0 pc=0x4f5070 sp=0x7efd9a5dad30"
expect no "a tracer crash after undefined behaviour" "a.cpp:3:5: runtime error: signed integer overflow
Tracer caught signal 11: addr=0x0 pc=0x4f5070 sp=0x7efd9a5dad30"

qt_leak="==9==ERROR: LeakSanitizer: detected memory leaks
Direct leak of 16 byte(s) in 1 object(s) allocated from:
    #0 0x7f in malloc
    #1 0x7f in QThreadData::current (/usr/lib/x86_64-linux-gnu/libQt6Core.so.6+0x1)
    #2 0x7f in QThread::start (/usr/lib/x86_64-linux-gnu/libQt6Core.so.6+0x2)"
expect yes "a leak inside Qt's core library alone" "Totals: 3 passed, 0 failed
$qt_leak"
expect no "a leak inside Qt's core library after a failed check" "FAIL!  : a() returned FALSE
$qt_leak"
expect no "a leak from our own code" "$qt_leak
    #3 0x5f in service::Task::Run /work/service/task.cpp:40"

[ "$failures" = 0 ] && echo "exit races: all cases as expected"
exit $((failures > 0))
