#!/usr/bin/env bash
# Runs each scan figure's bench program once more under perf and prints, as a Markdown section,
# where the time goes: the share of each part (kernel, library, program) and the busiest functions.
# Only the threads that ran the program's own code count, so the reference tool a bench starts
# stays out of the shares.
# Usage: scripts/profile-scans.sh BUILD_DIR
# Without a working perf the section is one line saying so; a figure that cannot be profiled gets
# a line of its own. Either way the script succeeds, so profiling never fails a bench run.
set -uo pipefail
build=${1:?usage: profile-scans.sh BUILD_DIR}

# Each figure, the bench program measuring it and the binary holding the code it measures: the
# window and finder benches run it in their own process, the command-line bench starts tralbo-cli.
figures=(
    "scan_200k bench_scan bench_scan"
    "scan_desc_200k bench_scan bench_scan"
    "scan_1m_window bench_scan bench_scan"
    "cli_scan_200k bench_cli tralbo-cli"
    "scan_1m_cli bench_cli tralbo-cli"
    "scan_usr bench_cli tralbo-cli"
    "finder_200k bench_finder bench_finder"
)
frequency=1000
shownFunctions=8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "## Where the time goes"
echo

if ! command -v perf > /dev/null; then
    echo "Not profiled: perf is not installed (\`scripts/setup.sh --bench\` installs it)."
    exit 0
fi
if ! perf record -q --no-buildid-cache -o "$work/probe.data" -- true > /dev/null \
    2> "$work/probe.log"; then
    refusal=$(grep -m1 . "$work/probe.log" || echo "no message")
    echo "Not profiled: \`perf record\` fails here ($refusal)."
    exit 0
fi

event=$(perf evlist -i "$work/probe.data" 2> /dev/null | sed -n '1s/:.*//p')
echo "After the figures, each scan figure's bench program ran once more under"
echo "\`perf record -F $frequency\` (event ${event:-unknown}, about one sample per millisecond"
echo "of CPU time). Only the threads that ran the program's own code count: tralbo-cli for the"
echo "command-line figures, the bench program, which holds the window's or the finder's code, for"
echo "the others; the reference tools stay out. Shares are of those samples, by the part whose code"
echo "ran and by function, each function with its own time only, not that of what it calls."
# Without the right to watch the kernel, perf quietly samples user code only.
if perf evlist -i "$work/probe.data" 2> /dev/null | grep -q ':[a-z]*u'; then
    echo "The kernel was not sampled here (perf_event_paranoid is" \
        "$(cat /proc/sys/kernel/perf_event_paranoid)), so its time is missing from the shares."
fi

# perf report's lines as "samples<TAB>comm<TAB>dso[<TAB>function]". The counted threads are picked
# here rather than with --comms: perf filters a merged line by the first thread it came from.
report() {
    perf report -i "$1" --stdio -q -t $'\t' -F "sample,comm,$2" 2> /dev/null | grep -v '^#'
}

# Sums the report's samples of the counted threads by part, or by part and function, with short
# part names (the kernel; libraries without ".so" and version); most samples first.
tally() {
    awk -F '\t' -v OFS='\t' -v threads="$1" '
        function trim(text) { gsub(/^ +| +$/, "", text); return text }
        function part(dso) {
            dso = trim(dso)
            if (dso == "[kernel.kallsyms]") return "kernel"
            sub(/\.so(\..*)?$/, "", dso)
            return dso
        }
        BEGIN { n = split(threads, list, ","); for (i = 1; i <= n; i++) counted[list[i]] = 1 }
        trim($2) in counted {
            key = part($3)
            if (NF > 3) { name = trim($4); sub(/^\[.\] /, "", name); key = key OFS name }
            samples[key] += $1
        }
        END { for (key in samples) print samples[key], key }' | sort -t $'\t' -k1,1nr
}

# The parts' shares in a line, which part is largest and its busiest function, and the busiest
# functions overall, from the tallies by part and by function.
describe=$(
    cat <<'AWK'
function percent(samples) { return sprintf("%.1f%%", 100 * samples / total) }
NR == FNR { parts[++partCount] = $2; partSamples[partCount] = $1; total += $1; next }
!($2 in busiest) { busiest[$2] = $3; busiestSamples[$2] = $1 }
++functions <= shown {
    name = length($3) > 60 ? substr($3, 1, 59) "…" : $3
    lines[functions] = sprintf("%6s  %-16s %s", percent($1), $2, name)
}
END {
    for (i = 1; i <= partCount; i++) {
        if (100 * partSamples[i] / total < 1) { rest += partSamples[i]; continue }
        line = line (i > 1 ? ", " : "") parts[i] " " percent(partSamples[i])
    }
    if (rest) line = line ", rest " percent(rest)
    printf "Parts: %s. From `%s`, threads %s; %d samples.\n", line, command, threads, total
    top = parts[1]
    printf "Largest part: %s, %s; its busiest function: %s, %s.\n\n", top, percent(partSamples[1]),
           busiest[top], percent(busiestSamples[top])
    print "```"
    for (i = 1; i in lines; i++) print lines[i]
    print "```"
}
AWK
)

profile() {
    local id=$1 program=$2 binary=$3
    local data=$work/$id.data
    echo
    echo "### $id"
    echo
    if [ ! -x "$build/bench/$program" ]; then
        echo "Not profiled: $program is not built."
        return
    fi
    if ! perf record -q --no-buildid-cache -F "$frequency" -o "$data" -- \
        "$build/bench/$program" "$id" > /dev/null 2> "$work/$id.log"; then
        echo "Not profiled: \`$program $id\` failed under perf ($(tail -n1 "$work/$id.log"))."
        return
    fi
    local threads
    threads=$(report "$data" dso | awk -F '\t' -v binary="$binary" '
        { gsub(/^ +| +$/, "", $2); gsub(/^ +| +$/, "", $3) }
        $3 == binary { print $2 }' | LC_ALL=C sort -u | paste -sd, -)
    if [ -z "$threads" ]; then
        echo "Not profiled: no samples in $binary's code."
        return
    fi
    report "$data" dso | tally "$threads" > "$work/$id.parts"
    report "$data" dso,sym | tally "$threads" > "$work/$id.functions"
    awk -F '\t' -v command="$program $id" -v threads="${threads//,/, }" -v shown="$shownFunctions" \
        "$describe" "$work/$id.parts" "$work/$id.functions"
}

for figure in "${figures[@]}"; do
    # shellcheck disable=SC2086 # the fields are single words
    profile $figure
done
