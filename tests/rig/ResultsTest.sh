#!/usr/bin/env bash
# What the test command reads from ctest's output: the tests that passed only on a second run,
# whatever ended the first (failure, time-out, crash), and the slowest runs held to their limits.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR/../.. source=scripts/lib/results.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/results.sh"

log=$(mktemp)
trap 'rm -f "$log" "$log.kept"' EXIT
cat >"$log" <<'LOG'
  1/7 Test   #1: Flaky.Fails ......................***Failed    0.04 sec
[  FAILED  ] Flaky.Fails (12 ms)
  2/7 Test   #2: Slow.TimesOut ....................***Timeout 600.03 sec
  3/7 Test   #3: Crash.Dies .......................***Exception: SegFault  0.03 sec
  4/7 Test   #4: Cases/Param.Reads/Case0  # GetParam() = 8-byte object <01-00> ....***Failed    0.10 sec
  5/7 Test   #5: Bad.Always .......................***Failed    1.00 sec
  6/7 Test   #6: e2e.scenario .....................   Passed   65.00 sec
  7/7 Test   #7: Good.Passes ......................   Passed    0.01 sec
  8/8 Test   #8: Off.Disabled .....................***Not Run (Disabled)   0.00 sec
      Test   #1: Flaky.Fails ......................   Passed    0.02 sec
      Test   #2: Slow.TimesOut ....................   Passed   59.00 sec
      Test   #3: Crash.Dies .......................   Passed    0.02 sec
      Test   #4: Cases/Param.Reads/Case0  # GetParam() = 8-byte object <01-00> ....   Passed    0.10 sec
      Test   #5: Bad.Always .......................***Failed    1.00 sec
LOG

status=0
check() {
  [[ $2 == "$3" ]] || { printf 'FAIL %s:\nexpected:\n%s\ngot:\n%s\n' "$1" "$3" "$2"; status=1; }
}
check "passed on a second run" "$(passed_on_rerun "$log")" "Cases/Param.Reads/Case0
Crash.Dies
Flaky.Fails
Slow.TimesOut"
# The tests that always passed, held to limits: a unit test's, a scenario's; whether they hold.
grep -v -e Bad.Always -e '#[1-4]:' "$log" >"$log.kept"
while read -r limit scenario_limit expected; do
  actual=ok
  slowest_runs "$log.kept" "$limit" "$scenario_limit" >/dev/null || actual=over
  check "limits $limit/$scenario_limit" "$actual" "$expected"
done <<'ROWS'
60 70 ok
60 64 over
0.001 70 over
ROWS
slowest_runs "$log" 600 600 >/dev/null && check "a test that failed for good" passed failed
exit "$status"
