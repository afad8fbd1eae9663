#!/usr/bin/env bash
# The long run of the crash-consistency tests: a process saving the settings
# and the data file is killed mid-save N times (default 1,000), and after every
# kill both files must be whole; then a process storing each tick's chat-log
# lines beside the data file (and now and then the whole file) is killed N
# times, and after every kill a load must bring back every line of the
# finished ticks once, in order; and a logoff on a nearly full disk is killed
# at each step of its writes in turn (as many kills as it has steps), losing
# no line that reached the disk. Prints the figures of each: kills made, how
# many cut a save short, what was found, failures.
# Usage: scripts/crash-kills.sh [N]
# BUILD_DIR chooses the build folder (default build, as scripts/setup.sh makes it).
set -euo pipefail
cd "$(dirname "$0")/.."

kills=${1:-1000}
case $kills in
  '' | *[!0-9]* | 0) echo "usage: scripts/crash-kills.sh [N]  (N a whole number above 0)" >&2; exit 2 ;;
esac
build_dir=${BUILD_DIR:-build}
[ -d "$build_dir" ] || scripts/setup.sh "$build_dir"
cmake --build "$build_dir" --target mellox_tests >/dev/null
MELLOX_CRASH_KILLS=$kills "$build_dir/mellox_tests" --gtest_filter='CrashConsistencyTest.*' --gtest_brief=1
