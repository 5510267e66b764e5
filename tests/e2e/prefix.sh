#!/usr/bin/env bash
# Makes the pristine Wine prefix the end-to-end tests copy (once; kept while
# the same Wine is installed).
. "$(dirname "$0")/lib.sh"
ensure_locales
ensure_pristine_prefix
[ -f "$PRISTINE/drive_c/windows/syswow64/kernel32.dll" ] || fail "the prefix cannot run 32-bit programs"
log "pristine prefix ready: $PRISTINE"
