# Shared by the scripts: root or sudo, the package list, the build folders.
set -euo pipefail
KV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi

kv_packages() { grep -v '^\s*#' "$KV_ROOT/scripts/packages.txt" | grep -v '^\s*$'; }

# Installs the packages that are missing; does nothing when all are there.
kv_install_packages() {
    local missing=()
    for p in $(kv_packages); do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
        $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# kv_build <dir> [cmake options...]
kv_build() {
    local dir="$1"; shift
    cmake -S "$KV_ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
