#!/usr/bin/env bash
# Runs every test of a build under Valgrind memcheck, one after another, and fails when a test
# fails, times out, shows a memory error, or ends with a definitely lost block.
#
#   scripts/memcheck.sh [BUILD_DIR] [TEST_REGEX]
#
# BUILD_DIR defaults to build/dev and must be a build without sanitizers. TEST_REGEX selects tests
# as ctest -R does. Environment:
#   MEMCHECK_TIMEOUT   seconds per test (default 3600; valgrind slows the tests down many times)
#   MEMCHECK_OPTIONS   extra valgrind options, for example --track-origins=yes
# Each test's valgrind log goes to BUILD_DIR/memcheck/<test>.log.
#
# The test list, each test's command, working directory and environment come from ctest, so the
# tests run exactly as ctest runs them, only under valgrind and with a longer time limit.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/dev}" && pwd)" || exit 2
regex="${2:-}"
per_test_timeout="${MEMCHECK_TIMEOUT:-3600}"
error_code=99 # what valgrind exits with on an error; no test exits with it

if ! command -v valgrind > /dev/null; then
    echo "memcheck: valgrind is not installed (scripts/setup.sh installs it)" >&2
    exit 2
fi
# Valgrind cannot run programs built with AddressSanitizer.
if grep -q -- '-fsanitize' "$build/CMakeCache.txt" 2> /dev/null; then
    echo "memcheck: $build is a sanitizer build; use a build without sanitizers" >&2
    exit 2
fi

logs="$build/memcheck"
rm -rf "$logs"
mkdir -p "$logs"

# Leaks count through the test process's own leak summary, not through the exit code: a child a
# test forks and ends with _exit() (to play a crash) holds memory of threads that did not survive
# the fork, which valgrind would call lost. Memory errors in such a child still set the exit code.
valgrind_options=(
    --tool=memcheck
    --error-exitcode=$error_code
    --leak-check=full
    --show-leak-kinds=definite,indirect
    --errors-for-leak-kinds=none
    --num-callers=40
    --child-silent-after-fork=yes
    --suppressions="$root/scripts/valgrind.supp"
    --gen-suppressions=all
)
# shellcheck disable=SC2206 # the options are meant to split into words
valgrind_options+=(${MEMCHECK_OPTIONS:-})

# "ctest -N -V" prints per test: "N: Test command: ...", "N: Working Directory: ...",
# "N: Environment variables: " with one " NAME=value" line each, then "  Test #N: name".
listing="$(ctest --test-dir "$build" -N -V ${regex:+-R "$regex"})" || exit 2

names=()
declare -A commands directories environments
while IFS= read -r line; do
    if [[ $line =~ ^([0-9]+):\ Test\ command:\ (.*)$ ]]; then
        number=${BASH_REMATCH[1]}
        commands[$number]=${BASH_REMATCH[2]}
        environments[$number]=""
        in_environment=0
    elif [[ $line =~ ^([0-9]+):\ Working\ Directory:\ (.*)$ ]]; then
        directories[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
    elif [[ $line =~ ^([0-9]+):\ Environment\ variables:\ *$ ]]; then
        in_environment=1
    elif [[ ${in_environment:-0} == 1 && $line =~ ^([0-9]+):\ \ *([A-Za-z_][A-Za-z0-9_]*=.*)$ ]]; then
        environments[${BASH_REMATCH[1]}]+="${BASH_REMATCH[2]}"$'\n'
    elif [[ $line =~ ^\ +Test\ +#([0-9]+):\ (.+)$ ]]; then
        names[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
        in_environment=0
    fi
done <<< "$listing"

if [ ${#names[@]} -eq 0 ]; then
    echo "memcheck: no tests found in $build" >&2
    exit 2
fi

failures=0
summary=()
started=$SECONDS
for number in "${!names[@]}"; do
    name=${names[$number]}
    # The command is printed as ctest quotes it: the program, then "argument" words.
    eval "command=(${commands[$number]})"
    environment=()
    while IFS= read -r assignment; do
        [ -n "$assignment" ] && environment+=("$assignment")
    done <<< "${environments[$number]}"
    log="$logs/$name.log"

    test_started=$SECONDS
    (
        cd "${directories[$number]:-$build}" &&
            exec env "${environment[@]}" timeout --kill-after=30 "$per_test_timeout" \
                valgrind "${valgrind_options[@]}" --log-file="$log" "${command[@]}"
    ) > "$logs/$name.out" 2>&1
    status=$?
    seconds=$((SECONDS - test_started))

    errors=$(sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$log" | tail -n 1)
    lost=$(sed -n 's/.*definitely lost: \([0-9,]*\) bytes.*/\1/p' "$log" | tail -n 1)
    lost=${lost:-0}
    case $status in
        0) verdict=ok ;;
        "$error_code")
            verdict="MEMORY ERRORS"
            # The log shows the test process only; forked children stay silent.
            [ "${errors:-0}" = 0 ] &&
                verdict+=" in a forked child (rerun with MEMCHECK_OPTIONS=--child-silent-after-fork=no)"
            ;;
        124 | 137) verdict="TIMEOUT after ${per_test_timeout}s" ;;
        *) verdict="TEST FAILED (exit $status, see $logs/$name.out)" ;;
    esac
    if [ "$status" = 0 ] && [ "$lost" != 0 ]; then
        verdict="DEFINITELY LOST"
    fi
    [ "$verdict" != ok ] && failures=$((failures + 1))
    line=$(printf '%-24s %5ss  errors %-4s definitely lost %-8s %s' \
        "$name" "$seconds" "${errors:-?}" "$lost" "$verdict")
    summary+=("$line")
    echo "$line"
done

echo
echo "memcheck: ${#names[@]} test executables, $failures failing, $((SECONDS - started))s; logs in $logs"
printf '%s\n' "${summary[@]}" > "$logs/summary.txt"
[ "$failures" -eq 0 ]
