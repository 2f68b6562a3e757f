# Sourced by the scripts in this folder: installs the Debian packages a script needs.
#   ensure_packages [--recommends] PACKAGE...
# Asks apt-get (through sudo when not root) for those not installed yet, and nothing when
# every one is there.
ensure_packages() {
    local recommends=--no-install-recommends
    if [ "${1:-}" = --recommends ]; then
        recommends=""
        shift
    fi
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $recommends "${missing[@]}" >/dev/null
}
