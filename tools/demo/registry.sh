# The demo's registry part, sourced by tools/demo.sh after tests/e2e/lib.sh:
# what the sample product leaves in the registry, shown with Wine's own
# tools. `wine reg` is the 32-bit reg.exe, so "/reg:64" shows the 64-bit view.
# shellcheck source=../../tests/e2e/registry_lib.sh
. "$here/tests/e2e/registry_lib.sh"

# demo_show_key TITLE KEY VIEW
demo_show_key() {
  local out
  echo "  -- $1 ($3-bit view): $2"
  if out=$(reg_query "$2" "$3"); then
    grep -v '^$' <<<"$out" | sed 's/^/    /'
  else
    echo "    (no such key)"
  fi
}

# After the install: the uninstall entry, the provider settings in both
# views and the registered COM class, then the entry as Wine lists it.
demo_registry_installed() {
  demo_show_key "uninstall entry" "$CX_UNINSTALL_KEY" 32
  demo_show_key "provider settings" "$CX_PROVIDER_KEY" 32
  demo_show_key "provider settings" "$CX_PROVIDER_KEY" 64
  demo_show_key "COM class of CorvexaProvider.dll" "$CX_CLASS_KEY" 32
  echo "  -- wine uninstaller --list (key|||name):"
  wine uninstaller --list 2>/dev/null | tr -d '\r' | sed 's/^/    /'
}

# After the uninstall: the same places, now empty.
demo_registry_removed() {
  local key view
  for key in "$CX_UNINSTALL_KEY" "$CX_PROVIDER_KEY" "$CX_CLASS_KEY"; do
    for view in 32 64; do
      if reg_query "$key" "$view" >/dev/null; then
        fail "$key is still in the $view-bit view"
      fi
    done
    echo "  $key: gone from both views"
  done
  if wine uninstaller --list 2>/dev/null | grep -qF '|||Corvexa'; then
    fail "wine uninstaller --list still shows Corvexa"
  fi
  echo "  wine uninstaller --list no longer shows Corvexa"
}
