#!/usr/bin/env bash
# Install benchmark: cxsetup, with its package as it is and compressed
# (`cxpack build --compress`), against NSIS (no compression, zlib and solid
# LZMA), an MSI (msitools' wixl, run by msiexec /qn) and `cp -r` (the
# floor), all installing the same tree silently under Wine, each run in a
# fresh prefix (the prefix's creation and the installer's copy into it are
# not timed), in interleaved rounds so that a busy moment of the machine
# weighs on all of them alike. Every installed tree is compared with the
# source. Two trees: a generated one (2000 files in 140 folders, half of the
# bytes incompressible) and real binaries, Wine's own i386 DLLs.
#
# Prints, per tree, each installer's median time and range, its ratio to
# cxsetup /QUIET, the peak private memory (RssAnon) of its process, its file
# size and the time its build took; cxsetup's time from start to the
# welcome page; and the targets, met or not:
#   size     compressed cxsetup file <= 1.05 x NSIS solid LZMA's
#   speed    compressed cxsetup /QUIET <= 0.6 x NSIS without compression,
#            and <= 1.5 x cp -r
#   memory   peak RssAnon of cxsetup < 64 MiB
#   welcome  the compressed package's welcome page <= 2 x a tiny package's
#   build    cxpack build --compress <= makensis with solid LZMA
#
#   make bench-install            a 64 MiB generated tree and the DLLs, 3 rounds
#   BENCH_FULL=1 make bench-install
#                                 a 256 MiB generated tree, the DLLs, and a
#                                 1 GiB cxsetup package of each kind
# Knobs: BENCH_MIB (generated tree size), BENCH_HUGE_MIB (0: no huge
# package), BENCH_ROUNDS, BENCH_TREES ("generated dlls"), BENCH_DLLS (the
# folder of real binaries), BENCH_WORK (work folder, kept between runs for
# its prefix), BENCH_QUICK=1 (only cxsetup, NSIS without compression and
# cp -r: for trying a change, without the slow peers' builds; the size and
# build targets are then not judged).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
full=${BENCH_FULL:-0}
mib=${BENCH_MIB:-$([ "$full" = 1 ] && echo 256 || echo 64)}
huge_mib=${BENCH_HUGE_MIB:-$([ "$full" = 1 ] && echo 1024 || echo 0)}
rounds=${BENCH_ROUNDS:-3}
quick=${BENCH_QUICK:-0}
trees=${BENCH_TREES:-generated dlls}
dlls=${BENCH_DLLS:-/usr/lib/i386-linux-gnu/wine/i386-windows}
work=${BENCH_WORK:-$root/build/bench-install}
watch="$root/bench/proc_watch.py"
title="CxBench Setup"

say() { echo "[$(date +%H:%M:%S)] $*" >&2; }
die() { echo "bench-install: $*" >&2; exit 1; }

# --- peers: Debian's nsis and wixl (msitools), and python3 for the watcher ---
need=()
command -v makensis >/dev/null || need+=(nsis)
command -v wixl >/dev/null || need+=(wixl)
command -v wixl-heat >/dev/null || need+=(wixl)
command -v python3 >/dev/null || need+=(python3)  # the process watcher
if [ ${#need[@]} -gt 0 ]; then
  say "installing the peers: ${need[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
fi
command -v python3 >/dev/null || die "python3 is needed"

mkdir -p "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export LANG=C.UTF-8

# --- the trees -----------------------------------------------------------------
# 2000 files in 140 folders (20 folders of 6 subfolders), half of the bytes
# random (incompressible, like binaries), half repetitive text.
make_tree() {  # DIR MIB FILES
  rm -rf "$1"
  python3 - "$1" "$2" "$3" <<'EOF'
import os, sys
root, mib, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
folders = []
for t in range(20):
    top = os.path.join(root, f"dir{t:02d}")
    folders.append(top)
    folders += [os.path.join(top, f"sub{s}") for s in range(6)]
for f in folders:
    os.makedirs(f, exist_ok=True)
total = mib << 20
base = total // count
sizes = [base // 4 + (base * 3 // 2) * ((i * 37) % 100) // 99 for i in range(count)]
sizes[-1] += total - sum(sizes)
text = b"".join(b"line %06d of a text file that compresses well\n" % i for i in range(4096))
for i, size in enumerate(sizes):
    path = os.path.join(folders[i % len(folders)], f"file{i:04d}.{'bin' if i % 2 else 'txt'}")
    with open(path, "wb") as out:
        if i % 2:
            out.write(os.urandom(size))
        else:
            # A first line of its own, so that no two files are alike (NSIS
            # stores identical files once).
            head = b"file %04d\n" % i
            out.write(head[:size])
            size -= len(head)
            while size > 0:
                out.write(text[:size])
                size -= len(text)
EOF
}

# Real binaries: the DLLs and programs of Wine's 32-bit Windows side.
copy_dlls() {  # DIR
  rm -rf "$1"
  [ -d "$dlls" ] || die "no folder of binaries at $dlls (BENCH_DLLS)"
  cp -r "$dlls" "$1"
}

# A cxsetup package folder around a tree: one File action copies it whole.
make_cx_package() {  # DIR TREE
  rm -rf "$1"
  mkdir -p "$1/PackageFiles"
  if [ -n "$2" ]; then cp -al "$2" "$1/PackageFiles/Files"; else mkdir "$1/PackageFiles/Files"; echo tiny >"$1/PackageFiles/Files/tiny.txt"; fi
  local t
  t() { echo "<$1><zh_cn>$2</zh_cn><en_us>$2</en_us><zh_tw>$2</zh_tw></$1>"; }
  cat >"$1/PackageFiles/SetupScript.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<Config>
  <SetupInfo>
    <ProductCode>CXBENCH_PRODUCT</ProductCode>
    <ProductName>CxBench</ProductName>
    <Publisher>CxBench</Publisher>
    <Version>1.0.0.0</Version>
    <InstallDir>\$(pf32)\\CxBench</InstallDir>
  </SetupInfo>
  <CustomString>
    $(t IDS_MAIN_UI_INSTALL_TITLE "$title") $(t IDS_MAIN_UI_UNINSTALL_TITLE "$title")
    $(t IDS_WELCOME_INSTALL Welcome) $(t IDS_WELCOME_UNINSTALL Welcome)
    $(t IDS_BTN_INSTALL Install) $(t IDS_BTN_CANCEL Cancel) $(t IDS_BTN_UNINSTALL Uninstall)
    $(t IDS_BTN_FININSH Finish) $(t IDS_INSTALL_OK Done) $(t IDS_INSTALL_FAILED Failed)
    $(t IDS_UNINSTALL_OK Done) $(t IDS_UNINSTALL_FAILED Failed)
    $(t IDS_TIP_INSTALLING_PRODUCT Installing) $(t IDS_TIP_UNINSTALLING_PRODUCT Removing)
    $(t IDS_SILENT_INSTALL_SUCCESSFULLY Installed) $(t IDS_SILENT_INSTALL_FINISHED CxBench)
    $(t IDS_INSTANCE_EXISTED Running) $(t IDS_NEED_ADMIN Admin)
    $(t IDS_INSTAL_HIGHER_WARNING Newer) $(t IDS_INSTAL_EQUAL_WARNING Installed)
  </CustomString>
  <ActionDescString>
    <File><zh_cn>\$[src]</zh_cn><en_us>\$[src]</en_us><zh_tw>\$[src]</zh_tw></File>
  </ActionDescString>
  <Action name="Insall">
    <File Src="\$(srcroot)PackageFiles\\Files\\*" Dest="\$(InstallDir)\\*"/>
  </Action>
  <Action name="Uninstall"/>
  <Action name="Install Finish"/>
  <Action name="Uninstall Finish"/>
</Config>
EOF
}

# Seconds a command takes (wall clock).
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

# cxsetup around a package folder: the optimised cxpack writes it into the
# stub, built once in a build folder of the benchmark's own. Prints the
# seconds `cxpack build` took.
cxpack="$root/build/bench/tools/cxpack/cxpack"
stub="$work/cmake/cxsetup_stub.exe"
# Both are brought up to date with the tree before the first build.
built_tools=0
build_cxsetup() {  # PACKAGE_DIR OUT [--compress]
  if [ "$built_tools" = 0 ]; then
    [ -f "$root/build/bench/CMakeCache.txt" ] || cmake --preset bench -S "$root" >/dev/null
    cmake --build "$root/build/bench" --target cxpack >/dev/null
    [ -f "$work/cmake/CMakeCache.txt" ] ||
      cmake -S "$root" -B "$work/cmake" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF \
        -DCX_HOST_CXPACK="$cxpack" >/dev/null
    cmake --build "$work/cmake" --target cxsetup_stub >/dev/null
    built_tools=1
  fi
  seconds "$cxpack" build "$1" -o "$2" --stub "$stub" ${3:-}
}

# Prints the seconds makensis took.
build_nsis() {  # TREE OUT COMPRESSION(off|zlib|lzma)
  local nsi="$work/nsis-$3.nsi"
  {
    echo "Name \"CxBench\""
    echo "OutFile \"$2\""
    case $3 in
      off) echo "SetCompress off" ;;
      zlib) echo "SetCompressor zlib" ;;
      lzma) echo "SetCompressor /SOLID lzma" ;;
    esac
    echo "InstallDir \"\$PROGRAMFILES\\CxBenchNsis\""
    echo "RequestExecutionLevel admin"
    echo "SilentInstall silent"
    echo "Section"
    echo "  SetOutPath \"\$INSTDIR\""
    echo "  File /r \"$1/*\""
    echo "SectionEnd"
  } >"$nsi"
  seconds makensis -V1 "$nsi"
}

build_msi() {  # TREE OUT
  local d="$work/msi"
  rm -rf "$d" && mkdir -p "$d"
  find "$1" -type f | sort |
    wixl-heat -p "$1/" --component-group Files --directory-ref INSTALLDIR --var var.SourceDir >"$d/files.wxs"
  cat >"$d/product.wxs" <<'EOF'
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="CxBench" Language="1033" Version="1.0.0" Manufacturer="CxBench"
           UpgradeCode="7d6b1f6e-3c43-4c4e-9a1c-2f1c3b0f5a10">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="files.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="CxBenchMsi"/>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentGroupRef Id="Files"/></Feature>
  </Product>
</Wix>
EOF
  # wixl takes the sources relative to where it runs.
  (cd "$1" && wixl -D SourceDir=. -o "$2" "$d/product.wxs" "$d/files.wxs" >/dev/null)
}

# --- prefixes and the display ---------------------------------------------------
pristine="$work/pristine"
if [ ! -f "$pristine/.complete" ]; then
  say "creating the pristine prefix"
  rm -rf "$pristine"
  WINEPREFIX="$pristine" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$pristine" wineserver -w
  [ -f "$pristine/drive_c/windows/syswow64/kernel32.dll" ] || die "the prefix cannot run 32-bit programs"
  touch "$pristine/.complete"
fi
# A fresh prefix: Windows' own files hard-linked (never written), the rest copied.
fresh_prefix() {
  local to=$1 d
  rm -rf "$to"
  mkdir -p "$to/drive_c/windows"
  (cd "$pristine" && cp -a dosdevices *.reg .update-timestamp "$to/")
  for d in "$pristine"/drive_c/*; do [ "$(basename "$d")" = windows ] || cp -a "$d" "$to/drive_c/"; done
  for d in "$pristine"/drive_c/windows/*; do
    case $(basename "$d") in
      system32 | syswow64 | winsxs) cp -al "$d" "$to/drive_c/windows/" ;;
      *) cp -a "$d" "$to/drive_c/windows/" ;;
    esac
  done
}

displayfile="$work/display"
: >"$displayfile"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work/run"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
[ -s "$displayfile" ] || die "Xvfb did not start"
export DISPLAY=":$(tr -d '[:space:]' <"$displayfile")"

pf="drive_c/Program Files (x86)"
tree=""  # the tree being measured
# run_install NAME FILE TARGET_FOLDER ARGS... -> "seconds peak_kib marked" on
# stdout.
run_install() {
  local name=$1 file=$2 target=$3
  shift 3
  export WINEPREFIX="$work/run"
  fresh_prefix "$WINEPREFIX"
  mkdir -p "$WINEPREFIX/drive_c/bench"
  cp "$work/$file" "$WINEPREFIX/drive_c/bench/"
  # Wine's server and services up before the clock starts, and nothing of
  # the last run or the prefix's copy still waiting to be written (as for
  # cp -r): the disk's backlog would weigh on whichever installer came next.
  wine cmd.exe /c exit >/dev/null 2>&1 || true
  sync
  local match=$file
  [ "${file##*.}" = msi ] && match=msiexec
  local line
  line=$(python3 "$watch" --match "$match" -- wine "$@") || die "$name failed: $line"
  diff -r "$tree" "$WINEPREFIX/$pf/$target" >/dev/null || die "$name: the installed tree differs from the source"
  echo "$line"
  wineserver -k 2>/dev/null || true
  unset WINEPREFIX
}

# The floor: the tree copied by cp -r into a fresh prefix's Program Files.
run_copy() {
  local to="$work/run"
  fresh_prefix "$to"
  sync
  echo "$(seconds cp -r "$tree" "$to/$pf/CxBenchCopy") 0 -"
}

# welcome FILE -> seconds from start to the welcome page
welcome() {
  export WINEPREFIX="$work/run"
  fresh_prefix "$WINEPREFIX"
  mkdir -p "$WINEPREFIX/drive_c/bench"
  cp "$work/$1" "$WINEPREFIX/drive_c/bench/"
  wine cmd.exe /c exit >/dev/null 2>&1 || true
  sync
  local line
  line=$(python3 "$watch" --match "$1" --window "$title" --timeout 120 -- wine "C:\\bench\\$1") ||
    die "$1 showed no welcome page"
  wineserver -k 2>/dev/null || true
  unset WINEPREFIX
  set -- $line
  echo "$3"
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
lowest() { printf '%s\n' "$@" | sort -n | head -1; }
highest() { printf '%s\n' "$@" | sort -n | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
size_mib() { awk -v s="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", s / 1048576 }'; }
# verdict VALUE OP LIMIT -> "met" or "NOT met"
verdict() {
  [ "$1" = - ] && { echo "not judged (BENCH_QUICK)"; return; }
  awk -v v="$1" -v l="$3" -v op="$2" 'BEGIN { ok = op == "<=" ? v <= l : v < l; print ok ? "met" : "NOT met" }'
}

# --- one tree: every installer built, then the interleaved rounds -------------------
bench_tree() {  # NAME
  local name=$1 describe
  tree="$work/tree-$name"
  if [ "$name" = generated ]; then
    say "generating a $mib MiB tree"
    make_tree "$tree" "$mib" 2000
    describe="generated: $mib MiB in 2000 files, 140 folders, half incompressible"
  else
    say "copying the binaries of $dlls"
    copy_dlls "$tree"
    describe="real binaries: $(du -sm --apparent-size "$tree" | cut -f1) MiB in $(find "$tree" -type f | wc -l) files of $dlls"
  fi
  say "$name: building the installers"
  make_cx_package "$work/pkg-main" "$tree"
  local names=("cxsetup /QUIET" "cxsetup compressed /QUIET" "NSIS, no compression" "NSIS, zlib"
               "NSIS, solid LZMA" "MSI (wixl, msiexec /qn)" "cp -r")
  local files=(cxsetup.exe cxsetup-z.exe nsis-none.exe nsis-zlib.exe nsis-lzma.exe bench.msi -)
  local builds=()
  builds[0]=$(build_cxsetup "$work/pkg-main" "$work/cxsetup.exe")
  builds[1]=$(build_cxsetup "$work/pkg-main" "$work/cxsetup-z.exe" --compress)
  builds[2]=$(build_nsis "$tree" "$work/nsis-none.exe" off)
  local run=(0 1 2 3 4 5 6)
  if [ "$quick" = 1 ]; then
    run=(0 1 2 6)
  else
    builds[3]=$(build_nsis "$tree" "$work/nsis-zlib.exe" zlib)
    builds[4]=$(build_nsis "$tree" "$work/nsis-lzma.exe" lzma)
    builds[5]=$(seconds build_msi "$tree" "$work/bench.msi")
  fi
  say "  built in ${builds[*]} s"

  local -A times=() peaks=()
  local welcome_z=() welcome_tiny=() r i out
  for r in $(seq "$rounds"); do
    say "$name: round $r of $rounds"
    for i in "${run[@]}"; do
      case $i in
        0) out=$(run_install "${names[0]}" cxsetup.exe CxBench 'C:\bench\cxsetup.exe' /QUIET) ;;
        1) out=$(run_install "${names[1]}" cxsetup-z.exe CxBench 'C:\bench\cxsetup-z.exe' /QUIET) ;;
        2) out=$(run_install "${names[2]}" nsis-none.exe CxBenchNsis 'C:\bench\nsis-none.exe' /S) ;;
        3) out=$(run_install "${names[3]}" nsis-zlib.exe CxBenchNsis 'C:\bench\nsis-zlib.exe' /S) ;;
        4) out=$(run_install "${names[4]}" nsis-lzma.exe CxBenchNsis 'C:\bench\nsis-lzma.exe' /S) ;;
        5) out=$(run_install "${names[5]}" bench.msi CxBenchMsi msiexec /i 'C:\bench\bench.msi' /qn) ;;
        6) out=$(run_copy) ;;
      esac
      set -- $out
      times[$i]="${times[$i]:-} $1"
      [ "$2" -gt "${peaks[$i]:-0}" ] && peaks[$i]=$2
      say "  ${names[$i]}: $1 s, $(( $2 / 1024 )) MiB"
    done
    welcome_z+=("$(welcome cxsetup-z.exe)")
    welcome_tiny+=("$(welcome cxsetup-tiny.exe)")
    say "  welcome: compressed ${welcome_z[-1]} s, tiny ${welcome_tiny[-1]} s"
  done

  local cx_median
  cx_median=$(median ${times[0]})
  printf '\nTree %s; %s interleaved rounds, fresh prefix each.\n\n' "$describe" "$rounds"
  printf '| Installer | Median s (range) | vs cxsetup | Peak RssAnon | File | Build s |\n'
  printf '|---|---|---|---|---|---|\n'
  for i in "${run[@]}"; do
    local m file=- peak=-
    m=$(median ${times[$i]})
    [ "${files[$i]}" != - ] && file="$(size_mib "$work/${files[$i]}") MiB"
    [ "$i" != 6 ] && peak="$(( ${peaks[$i]} / 1024 )) MiB"
    printf '| %s | %.2f (%.2f-%.2f) | %s | %s | %s | %s |\n' "${names[$i]}" "$m" \
      "$(lowest ${times[$i]})" "$(highest ${times[$i]})" "$(ratio "$m" "$cx_median")" \
      "$peak" "$file" "${builds[$i]:--}"
  done
  local wz wt
  wz=$(median "${welcome_z[@]}")
  wt=$(median "${welcome_tiny[@]}")
  printf '\nWelcome page after start: compressed package %.2f s, tiny package %.2f s.\n' "$wz" "$wt"

  local z none copy size speed floor memory welcome build
  z=$(median ${times[1]})
  none=$(median ${times[2]})
  copy=$(median ${times[6]})
  size=-
  build=-
  if [ "$quick" != 1 ]; then
    size=$(ratio "$(stat -c %s "$work/cxsetup-z.exe")" "$(stat -c %s "$work/nsis-lzma.exe")")
    build=$(ratio "${builds[1]}" "${builds[4]}")
  fi
  speed=$(ratio "$z" "$none")
  floor=$(ratio "$z" "$copy")
  memory=$(( (${peaks[0]} > ${peaks[1]} ? ${peaks[0]} : ${peaks[1]}) / 1024 ))
  welcome=$(ratio "$wz" "$wt")
  printf '\nTargets (%s):\n' "$name"
  printf '  size:    compressed cxsetup / NSIS solid LZMA = %s (<= 1.05): %s\n' "$size" "$(verdict "$size" '<=' 1.05)"
  printf '  speed:   compressed cxsetup /QUIET / NSIS without compression = %s (<= 0.6): %s\n' \
    "$speed" "$(verdict "$speed" '<=' 0.6)"
  printf '           compressed cxsetup /QUIET / cp -r = %s (<= 1.5): %s\n' "$floor" "$(verdict "$floor" '<=' 1.5)"
  printf '           (uncompressed cxsetup /QUIET / NSIS without compression = %s)\n' "$(ratio "$cx_median" "$none")"
  printf '  memory:  cxsetup peak RssAnon %d MiB (< 64): %s\n' "$memory" "$(verdict "$memory" '<' 64)"
  printf '  welcome: compressed package / tiny package = %s (<= 2): %s\n' "$welcome" "$(verdict "$welcome" '<=' 2)"
  printf '  build:   cxpack build --compress / makensis solid LZMA = %s (<= 1): %s\n' \
    "$build" "$(verdict "$build" '<=' 1)"
  rm -rf "$tree" "$work/pkg-main"
}

make_cx_package "$work/pkg-tiny" ""
build_cxsetup "$work/pkg-tiny" "$work/cxsetup-tiny.exe" >/dev/null
for t in $trees; do bench_tree "$t"; done

if [ "$huge_mib" -gt 0 ]; then
  say "the $huge_mib MiB packages"
  tree="$work/tree-huge"
  make_tree "$tree" "$huge_mib" 2000
  make_cx_package "$work/pkg-main" "$tree"
  build_cxsetup "$work/pkg-main" "$work/cxsetup-huge.exe" >/dev/null
  build_cxsetup "$work/pkg-main" "$work/cxsetup-huge-z.exe" --compress >/dev/null
  printf '\n'
  for f in cxsetup-huge.exe cxsetup-huge-z.exe; do
    set -- $(run_install "cxsetup $huge_mib MiB" $f CxBench "C:\\bench\\$f" /QUIET)
    printf '%s MiB package, %s (%s MiB file): installed and verified in %.2f s, peak RssAnon %d MiB\n' \
      "$huge_mib" "$([ $f = cxsetup-huge.exe ] && echo as it is || echo compressed)" \
      "$(size_mib "$work/$f")" "$1" "$(( $2 / 1024 ))"
  done
  rm -rf "$tree" "$work/pkg-main"
fi
