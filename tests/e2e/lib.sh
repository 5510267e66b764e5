# Common part of the end-to-end tests, sourced by each test script.
#
# Every test gets its own Wine prefix (a copy of one pristine prefix, made
# once and kept in the build tree) and its own Xvfb display, and stops both
# when it ends, whether it passes or fails. Texts the dialog must show are
# read from the package's own setup script, in the test's language.
#
# The test's environment (set by CMake): CX_E2E_WORK (work folder),
# CX_E2E_ARTIFACTS, CX_UIAUTO, and the setups and scripts the test uses.
set -euo pipefail

: "${CX_E2E_WORK:?CX_E2E_WORK names the work folder}"
: "${CX_UIAUTO:?CX_UIAUTO names cx_uiauto.exe}"
CX_E2E_ARTIFACTS=${CX_E2E_ARTIFACTS:-$CX_E2E_WORK/artifacts}
PRISTINE="$CX_E2E_WORK/pristine-prefix"

export WINEDEBUG=-all
# winemenubuilder would copy the setup's shortcuts into the host's menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

log() { echo "[$(date +%H:%M:%S)] $*"; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# --- locales ------------------------------------------------------------------

# Wine takes the system language from the C library's locale, which must
# exist: the test languages are compiled once into the work folder (LOCPATH),
# leaving the machine's own locales alone.
LOCALE_DIR="$CX_E2E_WORK/locale"
ensure_locales() {
  mkdir -p "$LOCALE_DIR"
  (
    flock 9
    local l
    for l in en_US zh_CN zh_TW; do
      [ -f "$LOCALE_DIR/$l.UTF-8/LC_CTYPE" ] && continue
      log "compiling the locale $l.UTF-8"
      localedef -i "$l" -f UTF-8 "$LOCALE_DIR/$l.UTF-8" || fail "localedef $l failed"
    done
  ) 9>"$CX_E2E_WORK/locale.lock"
}
export LOCPATH="$LOCALE_DIR"

# --- the pristine prefix --------------------------------------------------

# Wine's build stamp: a prefix made by another Wine is made again.
wine_stamp() { wine --version; stat -c %Y /usr/lib/wine/wine 2>/dev/null || true; }

ensure_pristine_prefix() {
  mkdir -p "$CX_E2E_WORK"
  (
    flock 9
    if [ -f "$PRISTINE/.e2e-complete" ] && [ "$(cat "$PRISTINE/.e2e-complete")" = "$(wine_stamp)" ]; then
      exit 0
    fi
    log "creating the pristine Wine prefix $PRISTINE"
    rm -rf "$PRISTINE"
    WINEPREFIX="$PRISTINE" env -u DISPLAY wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$PRISTINE" wineserver -w
    [ -f "$PRISTINE/system.reg" ] || fail "wineboot made no prefix in $PRISTINE"
    wine_stamp >"$PRISTINE/.e2e-complete"
  ) 9>"$CX_E2E_WORK/pristine-prefix.lock"
}

# A private copy of the pristine prefix. The Windows folders' program files
# (over a gigabyte, never written by a run) are hard links; everything a run
# can write (registry, users, Program Files, the rest of windows) is copied.
copy_prefix() {
  local to=$1 d
  rm -rf "$to"
  mkdir -p "$to/drive_c/windows"
  (cd "$PRISTINE" && cp -a dosdevices *.reg .update-timestamp "$to/")
  for d in "$PRISTINE"/drive_c/*; do
    [ "$(basename "$d")" = windows ] || cp -a "$d" "$to/drive_c/"
  done
  for d in "$PRISTINE"/drive_c/windows/*; do
    case $(basename "$d") in
      system32 | syswow64 | winsxs) cp -al "$d" "$to/drive_c/windows/" ;;
      *) cp -a "$d" "$to/drive_c/windows/" ;;
    esac
  done
}

# --- one test's environment ------------------------------------------------

XVFB_PID=""
TEST_NAME=""
E2E_KEEP=0

# e2e_begin NAME LANG: private prefix and display, clean-up at exit.
e2e_begin() {
  TEST_NAME=$1
  unset LC_ALL LC_CTYPE LC_MESSAGES
  export LANG=$2
  case $LANG in
    zh_CN*) LANG_TAG=zh_cn ;;
    zh_TW*) LANG_TAG=zh_tw ;;
    *) LANG_TAG=en_us ;;
  esac
  mkdir -p "$CX_E2E_ARTIFACTS"
  rm -f "$CX_E2E_ARTIFACTS/failure-$TEST_NAME.png"
  ensure_locales
  ensure_pristine_prefix
  export WINEPREFIX="$CX_E2E_WORK/prefixes/$TEST_NAME"
  trap e2e_end EXIT
  copy_prefix "$WINEPREFIX"

  local displayfile="$CX_E2E_WORK/prefixes/$TEST_NAME.display"
  : >"$displayfile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$displayfile" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start"
    sleep 0.1
  done
  [ -s "$displayfile" ] || fail "Xvfb chose no display"
  export DISPLAY=":$(tr -d '[:space:]' <"$displayfile")"

  DRIVE_C="$WINEPREFIX/drive_c"
  # The setup's working folder: Wine's setup runs elevated, so the Windows
  # folder's Temp rather than the user's (USER_TEMP).
  TEMP_DIR="$DRIVE_C/windows/temp"
  USER_TEMP="$DRIVE_C/users/$(id -un)/Temp"
  # One program first, so that later ones, started side by side, do not
  # race to start the prefix's wineserver.
  ui list >/dev/null || fail "Wine does not start in $WINEPREFIX"
  log "$TEST_NAME: prefix $WINEPREFIX, display $DISPLAY, $LANG"
}

e2e_end() {
  local rc=$?
  trap - EXIT
  if [ "$rc" -ne 0 ] && [ -n "${DISPLAY:-}" ]; then
    echo "--- top-level windows at the failure:" >&2
    ui list >&2 2>&1 || true
    import -window root "$CX_E2E_ARTIFACTS/failure-$TEST_NAME.png" 2>/dev/null &&
      echo "--- screenshot: $CX_E2E_ARTIFACTS/failure-$TEST_NAME.png" >&2 || true
  fi
  if [ -n "${WINEPREFIX:-}" ]; then
    timeout 30 wineserver -k 2>/dev/null || true
    timeout 30 wineserver -w 2>/dev/null || true
  fi
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  if [ "$rc" -eq 0 ] && [ "$E2E_KEEP" -eq 0 ]; then
    rm -rf "$WINEPREFIX" "$WINEPREFIX.display"
  elif [ "$rc" -ne 0 ]; then
    echo "--- prefix kept for inspection: $WINEPREFIX" >&2
  fi
  [ "$rc" -eq 0 ] && log "$TEST_NAME: passed"
  exit "$rc"
}

# --- driving programs --------------------------------------------------------

ui() { wine "$CX_UIAUTO" "$@"; }

# Copies a setup into the prefix, as a user would run it from their disk.
# install_setup SRC NAME -> prints the Windows path.
install_setup() {
  mkdir -p "$DRIVE_C/e2e"
  cp "$1" "$DRIVE_C/e2e/$2"
  echo "C:\\e2e\\$2"
}

# start_program VAR WINDOWS-PATH [ARGS...]: starts it in the background
# under cx_uiauto's waiter (Wine hands the shell only the low 8 bits of an
# exit code) and stores the pid of the waiter's Wine process, which ends
# with the program, in VAR.
declare -A RUN_OUTPUT=()
start_program() {
  local var=$1 out
  shift
  out=$(mktemp "$CX_E2E_WORK/prefixes/$TEST_NAME.run.XXXXXX")
  wine "$CX_UIAUTO" run 900000 "$@" >"$out" 2>>"$WINEPREFIX/e2e-programs.log" &
  printf -v "$var" '%s' "$!"
  RUN_OUTPUT[$!]=$out
}

# wait_exit PID SECONDS -> sets EXIT_CODE to the program's full exit code;
# fails when it does not end in time.
wait_exit() {
  local pid=$1 seconds=$2 i out
  for i in $(seq $((seconds * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "process $pid still runs after $seconds s"
  wait "$pid" || true
  out=${RUN_OUTPUT[$pid]:-}
  EXIT_CODE=$(sed -n 's/^exit //p' "$out" 2>/dev/null | tr -d '\r')
  rm -f "$out"
  [ -n "$EXIT_CODE" ] || fail "no exit code from process $pid"
}

# run_quiet SECONDS [--watch NAME-PREFIX]... WINDOWS-PATH [ARGS...]: runs a
# program to its end while watching for windows of it (and of the watched
# names). Sets EXIT_CODE and WINDOWS_SEEN (one line per window seen).
run_quiet() {
  local seconds=$1 out
  shift
  local watch=()
  while [ "${1:-}" = --watch ]; do
    watch+=(--watch "$2")
    shift 2
  done
  out=$(wine "$CX_UIAUTO" run "${watch[@]}" $((seconds * 1000)) "$@" 2>>"$WINEPREFIX/e2e-programs.log") ||
    fail "$1 did not end within $seconds s"
  out=$(tr -d '\r' <<<"$out")
  EXIT_CODE=$(sed -n 's/^exit //p' <<<"$out")
  WINDOWS_SEEN=$(grep '^window ' <<<"$out" || true)
  [ -n "$EXIT_CODE" ] || fail "no exit code from $1"
}

expect_no_window_seen() {
  [ -z "$WINDOWS_SEEN" ] || fail "windows were shown: $WINDOWS_SEEN"
  echo "  ok: no window at any moment"
}

# The restart operations list, one path per line (empty when there is none).
pending_renames() {
  wine reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null |
    tr -d '\r' | sed -n 's/.*REG_MULTI_SZ *//p' | sed 's/\\0/\n/g' | grep -v '^$' || true
}

still_running() { kill -0 "$1" 2>/dev/null; }

# --- expectations -------------------------------------------------------------

# The script's text for KEY in the test's language.
script_text() {
  local script=$1 key=$2
  xmllint --xpath "string(/Config/CustomString/$key/$LANG_TAG)" "$script"
}

expect_eq() {
  local what=$1 want=$2 got=$3
  [ "$got" = "$want" ] || fail "$what: expected [$want], got [$got]"
  echo "  ok: $what = [$got]"
}

# expect_control ID KEY: the dialog's control ID shows the script's KEY text.
expect_control() {
  local id=$1 key=$2
  expect_eq "control $id ($key)" "$(script_text "$SCRIPT" "$key")" "$(ui text "$id")"
}

# expect_state ID "visible=1 enabled=1"
expect_state() {
  expect_eq "state of $1" "$2" "$(ui state "$1")"
}

# Waits for the setup dialog; sets DIALOG_TITLE.
wait_dialog() {
  local line
  line=$(ui wait-window '*' "${1:-60000}") || fail "the setup dialog did not appear"
  DIALOG_TITLE=${line#* }
}

screenshot() {
  import -window root "$CX_E2E_ARTIFACTS/$1.png" || fail "screenshot $1 failed"
  echo "  screenshot: $CX_E2E_ARTIFACTS/$1.png"
}

INSTALL_DIR_REL="Program Files (x86)/KOVA/Corvexa"

package_folders() { find "$TEMP_DIR" -maxdepth 1 -name 'CxKeyPackage_*' 2>/dev/null | wc -l; }

expect_no_package_folder() {
  local n
  n=$(package_folders)
  [ "$n" -eq 0 ] || fail "$n CxKeyPackage_* folder(s) left in $TEMP_DIR: $(ls "$TEMP_DIR")"
  echo "  ok: no CxKeyPackage_* folder left"
}

expect_file() { [ -f "$1" ] || fail "missing file $1"; echo "  ok: ${1#$DRIVE_C/}"; }
expect_no_path() { [ ! -e "$1" ] || fail "unexpected $1"; echo "  ok: absent ${1#$DRIVE_C/}"; }

# The sample product's files in the install folder, Uninstall.exe being
# the very setup that ran.
expect_sample_installed() {
  local dir="$DRIVE_C/$INSTALL_DIR_REL" setup=$1
  expect_file "$dir/TokenManager.exe"
  expect_file "$dir/ReadMe.txt"
  expect_file "$dir/Res/Logo_Long.bmp"
  expect_file "$dir/Uninstall.exe"
  cmp -s "$dir/Uninstall.exe" "$setup" || fail "Uninstall.exe is not a copy of the setup"
  echo "  ok: Uninstall.exe is the setup's copy"
}

expect_hidden() { expect_eq "control $1 visible" visible=0 "$(ui state "$1" | cut -d" " -f1)"; }

# expect_msgbox_text KEY: the message box shows the script's KEY text.
expect_msgbox_text() {
  local want
  want=$(script_text "$SCRIPT" "$1")
  ui --msgbox dump | grep -qF "text=$want" || fail "the message box does not say [$want]: $(ui --msgbox dump)"
  echo "  ok: the message box says [$want]"
}

# The install list's last action starts the token manager without waiting.
expect_token_manager() {
  ui wait-process TokenManager.exe 20000 || fail "the token manager was not started"
  echo "  ok: TokenManager.exe runs"
}
