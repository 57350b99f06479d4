#!/usr/bin/env bash
# Installs Quillet the way a user gets it and checks every piece in its place:
#   install_check.sh prefix  BUILD SOURCE PROBE   cmake --install into a temporary prefix
#   install_check.sh package BUILD SOURCE PROBE   the Debian package, listed and extracted
# Then: the desktop files pass their validators, a .udl file written as the original platform
# writes it (UTF-16LE with a byte order mark) is our type and opens with Quillet, the C viewer
# module builds against the installed kit through pkg-config, and the installed program runs
# offscreen on the demo database, driven by PROBE (a library preloaded into it) to load a table
# and open a cell with an installed viewer module.
set -euo pipefail
mode=$1 build=$(realpath "$2") source=$(realpath "$3") probe=$(realpath "$4")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

case $mode in
  prefix)
    prefix=$work/prefix
    cmake --install "$build" --prefix "$prefix" >"$work/install.log"
    ;;
  package)
    cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
      { cat "$work/cpack.log"; exit 1; }
    deb=$(ls "$work"/package/*.deb)
    echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
    dpkg-deb -c "$deb" >"$work/contents"
    for path in ./usr/bin/quillet ./usr/lib/quillet/daytips.so \
      ./usr/lib/quillet/plugins/hex_viewer.blob ./usr/share/applications/quillet.desktop \
      ./usr/share/mime/packages/quillet.xml ./usr/include/quillet/quillet_plugin.h; do
      grep -q " $path\$" "$work/contents" && pass "package holds $path" || fail "package lacks $path"
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    recommends=$(dpkg-deb -f "$deb" Recommends)
    echo "Depends: $depends"
    echo "Recommends: $recommends"
    for lib in libqt6widgets6 libqt6svg6 libsqlite3-0 libodbc2 libc6; do
      [[ $depends == *"$lib"* ]] && pass "depends on $lib" || fail "no dependency on $lib"
    done
    [[ $recommends == *odbc-postgresql* && $recommends == *odbc-mariadb* ]] &&
      pass "recommends the ODBC drivers" || fail "ODBC drivers not recommended"
    dpkg-deb -x "$deb" "$work/root"
    prefix=$work/root/usr
    ;;
  *)
    echo "unknown mode $mode"
    exit 2
    ;;
esac

# Every piece in its place.
for path in bin/quillet lib/quillet/daytips.so lib/quillet/plugins/hex_viewer.blob \
  lib/quillet/plugins/image_viewer.blob share/quillet/quillet.tip \
  share/icons/hicolor/scalable/apps/quillet.svg share/applications/quillet.desktop \
  share/mime/packages/quillet.xml share/metainfo/org.quillet.Quillet.metainfo.xml \
  include/quillet/quillet_plugin.h lib/pkgconfig/quillet-plugin.pc; do
  [[ -e $prefix/$path ]] || fail "$path is not installed"
done
[[ -e $prefix/share/man/man1/quillet.1 || -e $prefix/share/man/man1/quillet.1.gz ]] ||
  fail "no man page"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/quillet.png
  file "$png" | grep -q "PNG image data, $size x $size," || fail "icon $png is not $size x $size"
done
pass "installed layout"

# The standard options answer on standard output and end with success.
out=$("$prefix/bin/quillet" --version) && [[ $out == "Quillet $version"* ]] &&
  pass "--version: ${out%%$'\n'*}" || fail "--version printed '$out'"
out=$("$prefix/bin/quillet" --help) && [[ $out == *"-udl FILE"* && $out == *"--version"* ]] &&
  pass "--help" || fail "--help printed '$out'"

# The validators of the desktop files.
desktop-file-validate "$prefix/share/applications/quillet.desktop" && pass "desktop-file-validate" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.quillet.Quillet.metainfo.xml" \
  >"$work/appstream.log" 2>&1 && pass "appstreamcli validate" ||
  { cat "$work/appstream.log"; fail "appstreamcli validate"; }
xmllint --noout "$prefix/share/mime/packages/quillet.xml" && pass "xmllint on the MIME package" ||
  fail "xmllint"
if command -v groff >/dev/null; then
  warnings=$(zcat -f "$prefix"/share/man/man1/quillet.1* | groff -man -Tutf8 -ww -z 2>&1)
  [[ -z $warnings ]] && pass "man page renders without warnings" || fail "man page: $warnings"
fi

# A private XDG data folder that knows only what the install brought.
xdg=$work/xdg
mkdir -p "$xdg/data/mime/packages" "$xdg/data/applications" "$xdg/config"
cp "$prefix/share/mime/packages/quillet.xml" "$xdg/data/mime/packages/"
cp "$prefix/share/applications/quillet.desktop" "$xdg/data/applications/"
update-mime-database "$xdg/data/mime" >/dev/null 2>&1
update-desktop-database "$xdg/data/applications" >/dev/null 2>&1
{
  printf '\xff\xfe'
  printf '[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nProvider=SQLite;Data Source=%s\r\n' \
    "$build/demo/demo.db" | iconv -f UTF-8 -t UTF-16LE
} >"$work/demo link.udl"
cp "$work/demo link.udl" "$work/demo-link-without-suffix"
xdg_mime() {
  env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
    XDG_DATA_HOME="$xdg/data" XDG_DATA_DIRS="$xdg/data" XDG_CONFIG_HOME="$xdg/config" \
    XDG_CONFIG_DIRS="$xdg/config" HOME="$work" xdg-mime "$@"
}
for file in "$work/demo link.udl" "$work/demo-link-without-suffix"; do
  type=$(xdg_mime query filetype "$file")
  [[ $type == application/x-quillet-udl ]] && pass "xdg-mime: $(basename "$file") is $type" ||
    fail "xdg-mime: $(basename "$file") is '$type'"
done
default=$(xdg_mime query default application/x-quillet-udl)
[[ $default == quillet.desktop ]] && pass "xdg-mime: default application $default" ||
  fail "xdg-mime: default application '$default'"

# The C viewer module, built out of tree against the installed kit.
cp -r "$source/examples/byte_stats_viewer" "$work/kit"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[[ $(pkg-config --modversion quillet-plugin) == "$version" ]] || fail "pkg-config version"
if make -s -C "$work/kit" >"$work/kit.log" 2>&1; then
  pass "byte_stats.blob built through pkg-config"
  cp "$work/kit/byte_stats.blob" "$(pkg-config --variable=plugindir quillet-plugin)/"
  if [[ $mode == prefix ]]; then
    mkdir -p "$build/plugin-kit"
    cp "$work/kit/byte_stats.blob" "$build/plugin-kit/"
  fi
else
  cat "$work/kit.log"
  fail "the C module did not build against the installed kit"
fi

# The installed program, offscreen on the demo database: a table, a cell, an installed viewer.
run_program() {
  local name=$1
  shift
  local home=$work/run-$name
  mkdir -p "$home/runtime" "$home/config"
  chmod 700 "$home/runtime"
  local shots=""
  if [[ $mode == prefix ]]; then
    shots=$build/screenshots/installed-$name
    mkdir -p "$shots"
  fi
  if env "$@" QT_QPA_PLATFORM=offscreen QUILLET_REGISTRY="$home/registry.db" \
    XDG_RUNTIME_DIR="$home/runtime" XDG_CONFIG_HOME="$home/config" LD_PRELOAD="$probe" \
    QUILLET_PROBE_TABLE=pictures QUILLET_PROBE_COLUMN=image QUILLET_PROBE_ROW=1 \
    QUILLET_PROBE_VIEWER="Show as hex" QUILLET_PROBE_TITLE="Hex viewer" \
    QUILLET_PROBE_SHOTS="$shots" \
    timeout 90 "$prefix/bin/quillet" -udl "$work/demo link.udl" >"$home/log" 2>&1 &&
    grep -q "^probe: ok" "$home/log" && grep -q "Show byte statistics" "$home/log"; then
    pass "installed program ($name): table loaded, cell opened with the installed hex viewer"
  else
    cat "$home/log"
    fail "installed program ($name)"
  fi
}
run_program plain
if [[ $mode == prefix ]]; then
  run_program scale2 QT_SCALE_FACTOR=2
  run_program dark QUILLET_PROBE_PALETTE=dark \
    QUILLET_PROBE_SQL="select id, 'text' as label, 42 from pictures -- a comment"
fi

echo "$failures failed"
[[ $failures -eq 0 ]]
