# Shared by scripts/run and scripts/test: configure and build one tree.
# usage: build_tree DIR [cmake options...]
build_tree() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}
