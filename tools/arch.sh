#!/usr/bin/env bash
# Which architecture this machine tests and runs, and why. Sourced by the other scripts:
#   webshell_can_run_32bit         true when the kernel runs 32-bit x86 programs
#   webshell_choose_arch [before-setup]
#                                  sets WEBSHELL_ARCH (i686 or x86_64) and WEBSHELL_ARCH_REASON;
#                                  i686 needs 32-bit Wine too, unless asked before set-up
#   webshell_build_dir TOP ARCH    the build folder of an architecture
# WEBSHELL_ARCH set beforehand (i686 or x86_64) forces the choice.

# Runs a 96-byte 32-bit x86 Linux program that only exits with code 42. Kernels built or
# booted without 32-bit emulation refuse it with "Exec format error"; so would Wine's loader.
webshell_can_run_32bit() {
  local probe status=0
  probe=$(mktemp "${TMPDIR:-/tmp}/webshell-elf32.XXXXXX") || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" = 42 ]
}

webshell_choose_arch() {
  case "${WEBSHELL_ARCH:-}" in
    i686|x86_64)
      WEBSHELL_ARCH_REASON=${WEBSHELL_ARCH_REASON:-"forced by WEBSHELL_ARCH"} ;;
    "")
      if ! webshell_can_run_32bit; then
        WEBSHELL_ARCH=x86_64
        WEBSHELL_ARCH_REASON="this machine cannot run 32-bit x86 programs (no 32-bit emulation in its kernel), so the 64-bit build is tested"
      elif [ -x /usr/lib/wine/wine ] || [ "${1:-}" = before-setup ]; then
        WEBSHELL_ARCH=i686
        WEBSHELL_ARCH_REASON="this machine runs 32-bit programs, so the shipped 32-bit build is tested"
      else
        WEBSHELL_ARCH=x86_64
        WEBSHELL_ARCH_REASON="32-bit Wine could not be installed here, so the 64-bit build is tested"
      fi ;;
    *)
      echo "WEBSHELL_ARCH must be i686 or x86_64, not '$WEBSHELL_ARCH'" >&2
      return 1 ;;
  esac
  export WEBSHELL_ARCH WEBSHELL_ARCH_REASON
}

# The build folder of an architecture: build/ holds the shipped 32-bit build.
webshell_build_dir() {
  local top=$1 arch=$2
  if [ -n "${WEBSHELL_BUILD_DIR:-}" ]; then echo "$WEBSHELL_BUILD_DIR"
  elif [ "$arch" = i686 ]; then echo "$top/build"
  else echo "$top/build-$arch"
  fi
}
