#!/usr/bin/env bash
# Checks of the Debian package and its metadata, run by CTest.
#   check_package.sh metainfo FILE      appstreamcli validate --no-net
#   check_package.sh desktop FILE       desktop-file-validate
#   check_package.sh build DIR          cpack into DIR (the package the others check)
#   check_package.sh contents DIR       the package holds every file it must
#   check_package.sh lintian DIR        lintian finds no error
#   check_package.sh unpacked DIR       the unpacked programs run from there
# A missing tool skips its check (exit 77) with a message saying which.
set -euo pipefail

skip() { echo "SKIPPED: $1 is not installed (tools/install-deps.sh --packaging installs it)"; exit 77; }
need() { command -v "$1" >/dev/null 2>&1 || skip "$1"; }
# The package the build check made; without one (its tool missing) the
# checks that need it are skipped too. A failed build fails on its own.
the_deb() {
    local debs=("$1"/zentor_*.deb)
    [ -f "${debs[0]}" ] || { echo "SKIPPED: no package was built in $1" >&2; exit 77; }
    echo "${debs[0]}"
}

mode=$1
target=$2
case "$mode" in
metainfo)
    need appstreamcli
    appstreamcli validate --no-net "$target"
    ;;
desktop)
    need desktop-file-validate
    desktop-file-validate "$target"
    echo "$target: valid"
    ;;
build)
    rm -rf "$target"
    need dpkg-shlibdeps
    cpack -G DEB -B "$target"
    ;;
contents)
    need dpkg-deb
    deb=$(the_deb "$target")
    listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
    missing=0
    for f in \
        ./usr/bin/zentor ./usr/bin/zentor-sim ./usr/bin/zentor-asm ./usr/bin/zentor-mess \
        ./usr/share/applications/zentor.desktop \
        ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/zentor.png \
        ./usr/share/metainfo/org.zentor.Zentor.metainfo.xml \
        ./usr/share/doc/zentor/README.md \
        ./usr/share/doc/zentor/copyright \
        ./usr/share/doc/zentor/changelog.gz \
        ./usr/share/man/man1/zentor.1.gz \
        ./usr/share/man/man1/zentor-sim.1.gz \
        ./usr/share/man/man1/zentor-asm.1.gz \
        ./usr/share/man/man1/zentor-mess.1.gz; do
        if ! grep -qxF "$f" <<<"$listing"; then
            echo "missing from $deb: $f"
            missing=1
        fi
    done
    if ! grep -q '^\./usr/share/doc/zentor/examples/.*\.z$' <<<"$listing"; then
        echo "missing from $deb: the example programs"
        missing=1
    fi
    fields=$(dpkg-deb -f "$deb" Package Section Maintainer Depends Recommends)
    echo "$fields"
    grep -q '^Depends: .*libqt6widgets6' <<<"$fields" || { echo "Depends lacks Qt"; missing=1; }
    grep -q '^Recommends: qt6-translations-l10n' <<<"$fields" || { echo "no Recommends"; missing=1; }
    exit $missing
    ;;
lintian)
    need lintian
    deb=$(the_deb "$target")
    # Errors fail; warnings and the rest are shown.
    lintian --fail-on error --display-level '>=warning' "$deb"
    echo "lintian: no errors in $deb"
    ;;
unpacked)
    need dpkg-deb
    deb=$(the_deb "$target")
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    dpkg-deb -x "$deb" "$root"
    # No display: --help must not need one.
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/zentor" --help
    "$root/usr/bin/zentor-sim" --help >/dev/null
    "$root/usr/bin/zentor-mess" --help >/dev/null
    for example in "$root"/usr/share/doc/zentor/examples/*.z; do
        "$root/usr/bin/zentor-asm" compile "$example" >/dev/null
        echo "compiles: ${example#"$root"}"
    done
    ;;
*)
    echo "usage: $0 metainfo|desktop|build|contents|lintian|unpacked PATH" >&2
    exit 2
    ;;
esac
