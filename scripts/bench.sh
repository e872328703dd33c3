#!/usr/bin/env bash
# Runs the benchmark programs of a build; each prints its figures as BENCH lines and, after each,
# the figure's goals as GOAL lines (see bench/BenchReport.h).
# Usage: scripts/bench.sh BUILD_DIR [ID]  -- ID (default: $BENCH) keeps only figures whose id
# contains it.
# A full run (no ID) also writes docs/PERFORMANCE.md from those lines, followed by where the scan
# figures' time goes, from one more run of each under perf (scripts/profile-scans.sh). A run of some
# figures leaves the report alone, so that it always shows one whole run on one machine.
# Exits with 1 when a goal misses, after writing the report.
set -euo pipefail
build=${1:?usage: bench.sh BUILD_DIR [ID]}
id=${2:-${BENCH:-}}
root=$(cd "$(dirname "$0")/.." && pwd)
report=$root/docs/PERFORMANCE.md

output=$(mktemp)
trap 'rm -f "$output" "$report.new"' EXIT
started=$(date -u '+%Y-%m-%d %H:%M UTC')
load=$(cut -d' ' -f1-3 /proc/loadavg)

ran=0
for program in "$build"/bench/bench_*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    run=("$program")
    # The server figures run against a throwaway PostgreSQL cluster unless one is configured.
    if [[ $program == */bench_server ]] && [ -z "${PGPORT:-}${PGHOST:-}" ] &&
        command -v pg_virtualenv > /dev/null; then
        run=(pg_virtualenv "$program")
    fi
    "${run[@]}" ${id:+"$id"} | tee -a "$output"
    ran=1
done
if [ "$ran" = 0 ]; then
    echo "bench.sh: no bench programs in $build/bench" >&2
    exit 1
fi

# Turns the BENCH and GOAL lines into the report's verdict, table and a copy of the lines.
tabulate=$(
    cat <<'AWK'
function bound(op) { return op == "<=" ? "≤" : op == ">=" ? "≥" : op }
function remember(figure) {
    if (!(figure in known)) { known[figure] = 1; order[++count] = figure }
}
function append(list, text) { return list (list == "" ? "" : "; ") text }
$1 == "BENCH" || $1 == "GOAL" || $1 == "LOAD" { lines[++printed] = $0; remember($2) }
$1 == "LOAD" { load[$2] = $3 }
$1 == "BENCH" {
    value[$2] = $3 " " $4
    if ($6 != "none") { tool[$2] = $6; toolTime[$2] = $7 " " $4; ratio[$2] = $9 }
}
$1 == "GOAL" {
    text = $3 == "ratio" ? "ratio " bound($4) " " $5 : bound($4) " " $5 " " $3
    goal[$2] = append(goal[$2], text)
    goals++
    if ($6 == "misses") { missed[$2] = append(missed[$2], text); misses++ }
    else if ($6 == "unmeasured") { unmeasured[$2] = 1; skipped++ }
}
END {
    if (misses) print "**" misses " of " goals " goals miss.**"
    else if (skipped) print "Every measured goal holds; " skipped " could not be measured here."
    else print "Every goal holds (" goals " goals)."
    print ""
    print "| Figure | Tralbo | Reference tool | Tool time | Ratio | Goal | Holds | Load |"
    print "| --- | ---: | --- | ---: | ---: | --- | --- | ---: |"
    for (i = 1; i <= count; i++) {
        f = order[i]
        holds = f in missed ? "**no** (" missed[f] ")" : f in unmeasured ? "not measured" \
              : f in goal ? "yes" : "no goal"
        printf "| %s | %s | %s | %s | %s | %s | %s | %s |\n", f, f in value ? value[f] : "—",
               f in tool ? tool[f] : "—", f in tool ? toolTime[f] : "—",
               f in tool ? ratio[f] : "—", f in goal ? goal[f] : "—", holds,
               f in load ? load[f] : "—"
    }
    print ""
    print "The lines the programs printed:"
    print ""
    print "```"
    for (i = 1; i <= printed; i++) print lines[i]
    print "```"
}
AWK
)

missed=$(grep -c '^GOAL .* misses$' "$output" || true)

if [ -n "$id" ]; then
    echo "bench.sh: only figures matching '$id' ran; $report left as it was" >&2
else
    # The command as typed: make passes its command-line variables in MAKEFLAGS after "--".
    command="\`scripts/bench.sh $*\`"
    if [ -n "${MAKELEVEL:-}" ]; then
        overrides=
        case " ${MAKEFLAGS:-}" in *" -- "*) overrides=" ${MAKEFLAGS#* -- }" ;; esac
        command="\`make bench$overrides\`, which ran $command"
    fi
    # No head(1) below: with pipefail, the writer it cuts off would fail the script.
    cpu=$(awk -F ': *' '/^model name/ { print $2; exit }' /proc/cpuinfo)
    memory=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
    system=$(sed -n 's/^PRETTY_NAME="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' /etc/os-release 2>/dev/null || true)
    buildType=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
    revision=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
    if [ -n "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
        revision="$revision with uncommitted changes"
    fi
    tools="$(find --version | sed -n 1p), $(unzip -v | sed -n 1p | cut -d' ' -f1-2),"
    tools="$tools sqlite3 $(sqlite3 --version | cut -d' ' -f1)"
    # After the figures, so that the profiler slows none of them.
    echo "bench.sh: profiling the scan figures" >&2
    profile=$("$root/scripts/profile-scans.sh" "$build") ||
        profile=$'## Where the time goes\n\nNot profiled: scripts/profile-scans.sh failed.'
    {
        echo "# Performance"
        echo
        echo "Written by \`make bench\` (scripts/bench.sh) from the lines its programs print; do not"
        echo "edit by hand. Only a full run writes this file: \`make bench BENCH=<id>\` leaves it as it"
        echo "is, so every figure here comes from one run on one machine. Each reference tool ran in"
        echo "that run, alternating with the program on the same data; times are the best of several"
        echo "warm runs."
        echo
        echo "- Date: $started"
        echo "- Command: $command"
        echo "- Machine: $(nproc) cores, ${cpu:-CPU model not given}, $memory memory;" \
            "$(uname -s) $(uname -r) $(uname -m); ${system:-unknown system}"
        echo "- Load average at the start: $load"
        echo "- Build: ${build#"$root"/} (${buildType:-unknown build type}), commit $revision"
        echo "- Reference tools: $tools"
        echo
        awk "$tabulate" "$output"
        echo
        echo "$profile"
    } > "$report.new"
    mv "$report.new" "$report"
    echo "bench.sh: wrote $report" >&2
fi

if [ "$missed" != 0 ]; then
    echo "bench.sh: $missed goal(s) missed" >&2
    exit 1
fi
