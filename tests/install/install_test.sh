#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what lands there: every file in its place
# and nothing else, each read without complaint by the tool a desktop reads it with.
# Usage: install_test.sh CMAKE BUILD_DIR VERSION RELEASE_DATE
set -euo pipefail
cmake_command=$1
build=$2
version=$3
release_date=$4

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

"$cmake_command" --install "$build" --prefix "$prefix" >/dev/null

id=org.yomitoru.Yomitoru
desktop=share/applications/$id.desktop
metainfo=share/metainfo/$id.metainfo.xml
manpage=share/man/man1/yomitoru.1
icon_sizes=(16 32 48 64 128 256)
service=lib/systemd/user/yomitoru-update.service
timer=lib/systemd/user/yomitoru-update.timer
expected=(bin/yomitoru bin/yomitoru-sample-site "$desktop" "$metainfo" "$manpage"
  share/icons/hicolor/scalable/apps/$id.svg share/doc/yomitoru/README.md share/doc/yomitoru/LICENSE
  "$service" "$timer")
for size in "${icon_sizes[@]}"; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done

# Every file in its place, and nothing else installed.
for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || fail "$file was not installed"
done
for program in bin/yomitoru bin/yomitoru-sample-site; do
  [ -x "$prefix/$program" ] || fail "$program is not executable"
done
extra=$(comm -13 <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort))
[ -z "$extra" ] || fail "installed besides the expected files: $extra"

# The desktop entry, the metadata and the icon name one another and the installed program.
if [ -f "$prefix/$desktop" ]; then
  if ! output=$(desktop-file-validate "$prefix/$desktop" 2>&1); then
    fail "desktop-file-validate failed: $output"
  elif [ -n "$output" ]; then
    fail "desktop-file-validate: $output"
  fi
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$prefix/$desktop")
  [ -n "$exec_program" ] && [ -x "$prefix/bin/$exec_program" ] || fail "Exec=$exec_program is not an installed program"
  icon=$(sed -n 's/^Icon=//p' "$prefix/$desktop")
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon names no installed icon"
fi

# appstreamcli always ends with a success line; its only remark may be the pedantic hint about
# the capital letter the reverse-DNS id shares with the desktop file's name.
appstream_check() {
  local output remarks
  if ! output=$(env -u LANGUAGE LC_ALL=C.UTF-8 appstreamcli "$@" --no-net --pedantic --strict 2>&1); then
    fail "appstreamcli $1 failed: $output"
    return
  fi
  remarks=$(printf '%s\n' "$output" | grep -v -e '^$' -e '^✔ Validation was successful' -e "^$(basename "$metainfo")\$" \
    -e "^ *P: $id:[0-9]*: cid-contains-uppercase-letter $id\$" || true)
  [ -z "$remarks" ] || fail "appstreamcli $1: $remarks"
}
if [ -f "$prefix/$metainfo" ]; then
  appstream_check validate "$prefix/$metainfo"
  # The whole tree: the desktop entry the metadata launches is there.
  appstream_check validate-tree "$prefix"
  grep -q "<release version=\"$version\" date=\"$release_date\"" "$prefix/$metainfo" ||
    fail "the metadata's release is not $version of $release_date"
fi

if [ -f "$prefix/$manpage" ]; then
  if ! output=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/$manpage" 2>&1 >/dev/null); then
    fail "man failed: $output"
  elif [ -n "$output" ]; then
    fail "man --warnings: $output"
  fi
fi

# The refresh units: valid for a user's systemd, and the service runs the installed program.
if [ -f "$prefix/$service" ] && [ -f "$prefix/$timer" ]; then
  grep -qx "ExecStart=$prefix/bin/yomitoru --update-all --quit" "$prefix/$service" ||
    fail "the service does not run the installed program: $(grep ExecStart "$prefix/$service")"
  if command -v systemd-analyze >/dev/null; then
    runtime=$(mktemp -d)
    if ! output=$(XDG_RUNTIME_DIR=$runtime MANPATH=$prefix/share/man \
      systemd-analyze --user verify "$prefix/$service" "$prefix/$timer" 2>&1); then
      fail "systemd-analyze verify failed: $output"
    elif [ -n "$output" ]; then
      fail "systemd-analyze verify: $output"
    fi
    rm -rf "$runtime"
  else
    echo "SKIP: systemd-analyze is not installed; the units were not verified" >&2
  fi
fi

for size in "${icon_sizes[@]}"; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || continue
  kind=$(file -b "$png")
  [[ $kind == "PNG image data, $size x $size,"* ]] || fail "${size}x${size} icon is: $kind"
done
svg=$prefix/share/icons/hicolor/scalable/apps/$id.svg
[ ! -f "$svg" ] || [[ $(file -b "$svg") == "SVG Scalable Vector Graphics image"* ]] || fail "scalable icon is: $(file -b "$svg")"

# The installed program starts where it was put.
if [ -x "$prefix/bin/yomitoru" ]; then
  usage=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/yomitoru" --help 2>&1) || fail "installed yomitoru --help failed: $usage"
  [[ $usage == *yomitoru*--archive*--update-all* ]] || fail "installed yomitoru --help printed: $usage"
  printed=$("$prefix/bin/yomitoru" --version 2>&1) || fail "installed yomitoru --version failed: $printed"
  [ "$printed" = "Yomitoru $version" ] || fail "installed yomitoru --version printed: $printed"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures checks of the installed files failed" >&2
  exit 1
fi
echo "The installed files are all in place and valid: ${#expected[@]} files under $prefix"
