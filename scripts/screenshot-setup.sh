# shellcheck shell=bash
# What the window's screenshot scripts share; they source it. Not run alone.

# Installs with apt-get the package of each command that is missing, given
# as COMMAND:PACKAGE (xvfb-run:xvfb).
install_missing() {
    local need=() pair
    for pair in "$@"; do
        command -v "${pair%%:*}" >/dev/null || need+=("${pair#*:}")
    done
    [ ${#need[@]} -gt 0 ] || return 0
    local sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get install -y -qq "${need[@]}" ||
        { "${sudo_cmd[@]}" apt-get update -qq && "${sudo_cmd[@]}" apt-get install -y -qq "${need[@]}"; }
}

# Configures ROOT into BUILD with the window and builds the tools, the
# default format table and the given targets: build_for_shots ROOT BUILD TARGET...
build_for_shots() {
    local root=$1 build=$2
    shift 2
    cmake -S "$root" -B "$build" -DTORVANE_BUILD_UI=ON >/dev/null
    cmake --build "$build" -j2 --target ostrem quarvel torvane_default_formats "$@" >/dev/null
}
