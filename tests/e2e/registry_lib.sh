# The sample product's registry, as its setup script writes it: the
# provider settings in both views, the registered COM class and the uninstall
# entry. Sourced after lib.sh by the end-to-end test and by the demo.

CX_UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KOVA_ZAVOzu'
CX_PROVIDER_KEY='HKLM\Software\KOVA\Corvexa\Provider'
CX_CLASS_KEY='HKCR\CLSID\{37951B6C-C0FC-4627-88DA-E3C476E435DA}'

# reg_query KEY [VIEW]: `wine reg query` of the key with its subkeys; VIEW is
# 32 (the default, Debian's wine runs the 32-bit reg.exe) or 64. reg words
# the default value's name in the user's language: asked in English here.
reg_query() {
  local view=()
  [ "${2:-32}" = 64 ] && view=(/reg:64)
  LANG=en_US.UTF-8 wine reg query "$1" /s "${view[@]}" 2>/dev/null | tr -d '\r'
}

# expect_reg_value KEY VIEW NAME TYPE DATA
expect_reg_value() {
  local out line
  out=$(reg_query "$1" "$2") || fail "no key $1 in the $2-bit view"
  # reg prints "    NAME    TYPE    DATA"; names may hold blanks and brackets.
  line=$(awk -v p="    $3    $4    " 'index($0, p) == 1 { print substr($0, length(p) + 1); exit }' <<<"$out")
  [ "$line" = "$5" ] || fail "$1 ($2-bit) $3: expected $4 [$5], got [$line]"
  echo "  ok: $1 ($2-bit) $3 = $5"
}

expect_no_key() {
  if reg_query "$1" "$2" >/dev/null; then fail "key $1 is still in the $2-bit view"; fi
  echo "  ok: no $1 in the $2-bit view"
}

# Everything the install list writes; $1 is the product version.
expect_sample_registry_installed() {
  local dir='C:\Program Files (x86)\KOVA\Corvexa'
  expect_reg_value "$CX_UNINSTALL_KEY" 32 DisplayName REG_SZ Corvexa
  expect_reg_value "$CX_UNINSTALL_KEY" 32 DisplayVersion REG_SZ "$1"
  expect_reg_value "$CX_UNINSTALL_KEY" 32 Publisher REG_SZ KOVA
  expect_reg_value "$CX_UNINSTALL_KEY" 32 UninstallString REG_SZ "\"$dir\\Uninstall.exe\""
  expect_reg_value "$CX_UNINSTALL_KEY" 32 DisplayIcon REG_SZ "\"$dir\\Uninstall.exe\""
  expect_reg_value "$CX_UNINSTALL_KEY" 32 InstallLocation REG_SZ "$dir"
  expect_reg_value "$CX_UNINSTALL_KEY" 32 NoModify REG_DWORD 0x1
  expect_reg_value "$CX_UNINSTALL_KEY" 32 NoRepair REG_DWORD 0x1
  reg_query "$CX_UNINSTALL_KEY" 32 | grep -qE '^ +EstimatedSize +REG_DWORD +0x[1-9a-f]' ||
    fail "no EstimatedSize in the uninstall entry"
  expect_no_key "$CX_UNINSTALL_KEY" 64
  for view in 32 64; do
    expect_reg_value "$CX_PROVIDER_KEY" $view Name REG_SZ "Corvexa Token Provider"
    expect_reg_value "$CX_PROVIDER_KEY" $view Type REG_DWORD 0x1
    expect_reg_value "$CX_PROVIDER_KEY" $view Capabilities REG_BINARY 0100000002000000
  done
  expect_reg_value "$CX_PROVIDER_KEY" 32 "Image Path" REG_SZ "$dir\\CorvexaProvider.dll"
  expect_reg_value "$CX_CLASS_KEY\\InprocServer32" 32 "(Default)" REG_SZ "$dir\\CorvexaProvider.dll"
}

expect_sample_registry_removed() {
  expect_no_key "$CX_UNINSTALL_KEY" 32
  expect_no_key 'HKLM\Software\KOVA\Corvexa' 32
  expect_no_key 'HKLM\Software\KOVA\Corvexa' 64
  expect_no_key "$CX_CLASS_KEY" 32
}
