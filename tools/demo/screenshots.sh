# The wizard's pictures: an interactive install of the sample in each of
# the three languages, its welcome, progress and finished pages cropped to
# the dialog and kept small (64 colours). Sourced by tools/demo.sh after
# tests/e2e/lib.sh; `demo_screenshots FOLDER` writes
# welcome-/progress-/finished-<lang>.png there (docs/images/ holds copies).

# crop_picture SRC DEST GEOMETRY: the dialog's part of a screen picture.
crop_picture() { convert "$1" -crop "$3" +repage -colors 64 "PNG8:$2"; }

# One language's install, in its own prefix and display.
demo_pictures_for() {
  local lang=$1 shots=$2 frames setup geometry frame last
  e2e_begin "demo_pictures_${lang%%.*}" "$lang"
  frames="$CX_E2E_WORK/prefixes/$TEST_NAME.frames"
  rm -rf "$frames" && mkdir -p "$frames"
  setup=$(install_setup "$SETUP" CorvexaSetup.exe)
  start_program PICTURES_PID "$setup"
  wait_dialog
  ui wait-ready 1002 30000 >/dev/null || fail "the Install button is not usable"
  ui sleep 500  # the logo paints after the page
  import -window root "$frames/welcome.png" || fail "no screen picture"
  # The dialog is the only window on the screen: what differs from the
  # background is its rectangle.
  geometry=$(convert "$frames/welcome.png" -trim -format '%wx%h%X%Y' info:)
  # The progress page lasts seconds: screen pictures are taken while the
  # run goes on. One is the progress page when its strip of buttons at the
  # bottom is neither the welcome page's (Install and Cancel usable) nor the
  # finished page's (Finish), and its logo strip at the top is the welcome
  # page's (no other window lies over it); the middle one of those is kept.
  ( i=0; while :; do import -window root "$frames/frame_$(printf %04d $i).png" 2>/dev/null; i=$((i + 1)); done ) &
  local taker=$!
  ui click 1002
  ui wait-ready 1005 120000 >/dev/null || fail "the Finish button did not become usable"
  kill "$taker" 2>/dev/null; wait "$taker" 2>/dev/null
  # The install starts the token manager, whose window may lie over the
  # dialog: it is ended before the finished page's picture.
  ui wait-process TokenManager.exe 20000 >/dev/null && wine taskkill /F /IM TokenManager.exe >/dev/null 2>&1
  ui wait-no-process TokenManager.exe 10000 >/dev/null
  ui sleep 500
  import -window root "$frames/finished.png"
  local w h x y top bottom page
  IFS=' ' read -r w h x y <<<"$(convert "$frames/welcome.png" -trim -format '%w %h %X %Y' info:)"
  top="${w}x$((h / 4))+${x#+}+${y#+}"
  bottom="${w}x$((h / 5))+${x#+}+$((${y#+} + h - h / 5))"
  strip() { convert "$1" -crop "$2" +repage "PNG24:$3" 2>/dev/null; }
  same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
  strip "$frames/welcome.png" "$top" "$frames/welcome-top.png"
  for page in welcome finished; do strip "$frames/$page.png" "$bottom" "$frames/$page-bottom.png"; done
  local progress=()
  for frame in "$frames"/frame_*.png; do
    strip "$frame" "$top" "$frames/top.png" && strip "$frame" "$bottom" "$frames/bottom.png" || continue
    same "$frames/top.png" "$frames/welcome-top.png" || continue
    same "$frames/bottom.png" "$frames/welcome-bottom.png" && continue
    same "$frames/bottom.png" "$frames/finished-bottom.png" && continue
    progress+=("$frame")
  done
  last=${progress[${#progress[@]} / 2]:-}
  crop_picture "$frames/welcome.png" "$shots/welcome-$LANG_TAG.png" "$geometry"
  crop_picture "$frames/finished.png" "$shots/finished-$LANG_TAG.png" "$geometry"
  if [ -n "$last" ]; then
    crop_picture "$last" "$shots/progress-$LANG_TAG.png" "$geometry"
  else
    echo "  (the run was too quick for a picture of its progress page)"
  fi
  echo "  $LANG_TAG: $(cd "$shots" && ls ./*-"$LANG_TAG".png | tr '\n' ' ')"
  ui click 1005
  wait_exit "$PICTURES_PID" 60
  rm -rf "$frames"
}

demo_screenshots() {
  local shots=$1 lang
  mkdir -p "$shots"
  for lang in ${DEMO_PICTURE_LANGS:-zh_CN.UTF-8 en_US.UTF-8 zh_TW.UTF-8}; do
    (demo_pictures_for "$lang" "$shots") || fail "the pictures in $lang failed"
  done
}
