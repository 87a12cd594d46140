# What ctest's console output says about each run of a test. Source it, then:
#   test_runs LOG            # one line per run: NAME<TAB>RESULT<TAB>SECONDS, RESULT as ctest shows it
#                            # ("Passed", "Failed", "Timeout", "Exception: SegFault" ...)
#   passed_on_rerun LOG      # the tests whose last run passed after one that did not
#   slowest_runs LOG LIMIT SCENARIO_LIMIT
#                            # each test's slowest run and how many runs did not pass; prints a table
#                            # and fails when a unit test took over LIMIT seconds, a scenario (e2e.*)
#                            # over SCENARIO_LIMIT, or any run did not pass
# shellcheck shell=bash

# A first run reads "3/9 Test #4: NAME .....***Failed  1.2 sec"; a second run of it has no count.
# A parameterised test's NAME is followed by "  # GetParam() = ...".
test_runs() {
  sed -nE 's/^ *([0-9]+\/[0-9]+ +)?Test +#[0-9]+: ([^ ]+)(  # .*)? \.*( +|\*\*\*)([A-Za-z][^*]*[^ ]) +([0-9.]+) sec$/\2\t\5\t\6/p' "$1"
}

passed_on_rerun() {
  test_runs "$1" | awk -F'\t' '
    $2 != "Passed" { failed[$1] = 1; passed[$1] = 0 }
    $2 == "Passed" && failed[$1] { passed[$1] = 1 }
    END { for (name in passed) if (passed[name]) print name }
  ' | sort
}

slowest_runs() {
  test_runs "$1" | awk -F'\t' -v limit="$2" -v scenario_limit="$3" '
    $2 == "Not Run (Disabled)" { next }
    {
      runs[$1]++
      if ($2 != "Passed") { bad[$1]++; results[$1] = results[$1] " " $2 }
      if ($3 + 0 > slowest[$1] + 0) slowest[$1] = $3
    }
    END {
      width = 4
      for (name in runs) if (length(name) > width) width = length(name)
      printf "%-*s %5s %7s %9s\n", width, "test", "runs", "failed", "max (s)"
      fflush()
      status = 0
      for (name in runs) {
        over = slowest[name] > (name ~ /^e2e\./ ? scenario_limit : limit)
        note = over ? "OVER ITS LIMIT" : ""
        if (bad[name]) note = note (note == "" ? "" : ",") results[name]
        printf "%-*s %5d %7d %9.2f  %s\n", width, name, runs[name], bad[name], slowest[name], note | "sort"
        if (over || bad[name]) status = 1
      }
      close("sort")
      exit status
    }
  '
}
