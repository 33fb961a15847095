# The Debian packages the project builds and tests with. Sourced by the
# scripts in this folder.
MELVANE_PACKAGES=(
  build-essential g++ cmake pkg-config
  libgtest-dev libgmock-dev googletest
  libsqlite3-dev
  libtag1-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
  libssl-dev openssl ca-certificates
  libvorbis-dev libogg-dev
  libexpat1-dev
  libfftw3-dev
  zlib1g-dev
  libboost-dev
  libcurl4-openssl-dev
  clang libclang-rt-14-dev clang-format
  libgtk-3-dev libayatana-appindicator3-dev libnotify-dev xvfb xauth dbus
  libxtst-dev libatspi2.0-dev at-spi2-core
)

# What scripts/bench needs beyond them: the benchmark library is made by a
# Python script with the ffmpeg program; nginx and fpcalc are the references
# the song server and the prints are measured against.
MELVANE_BENCH_PACKAGES=(
  python3 ffmpeg nginx-light libchromaprint-tools
)

# Installs whatever of the given packages (MELVANE_PACKAGES when none are
# given) is missing; quick when all are there.
melvane_install_packages() {
  local wanted=("$@")
  if [ ${#wanted[@]} -eq 0 ]; then
    wanted=("${MELVANE_PACKAGES[@]}")
  fi
  local missing=()
  local pkg
  for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=300 "${missing[@]}"
}
