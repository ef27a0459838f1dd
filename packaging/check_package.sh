#!/usr/bin/env bash
# Checks of the Debian package and its metadata, run by CTest.
#   check_package.sh metainfo FILE      appstreamcli validate --pedantic
#   check_package.sh desktop FILE       desktop-file-validate
#   check_package.sh build DIR          builds the package into DIR (the one the others check)
#   check_package.sh contents DIR       the package holds every file it must, depends on what starts it
#   check_package.sh lintian DIR        lintian --pedantic finds no error or warning (.deb and source)
#   check_package.sh hardening DIR      hardening-check passes the four programs
#   check_package.sh unpacked DIR       unpacked without /usr/share/doc: the programs run, find
#                                       the examples and the handbook, carry no build path
#   check_package.sh reproducible DIR   two builds in two folders give the same bytes
# A missing tool skips its check (exit 77) with a message saying which.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
skip() { echo "SKIPPED: $1 is not installed (tools/install-deps.sh --packaging installs it)"; exit 77; }
need() { for tool; do command -v "$tool" >/dev/null 2>&1 || skip "$tool"; done; }
# The package the build check made; without one (its tool missing) the
# checks that need it are skipped too. A failed build fails on its own.
the_deb() {
    local debs=("$1"/zentor_*.deb)
    [ -f "${debs[0]}" ] || { echo "SKIPPED: no package was built in $1" >&2; exit 77; }
    echo "${debs[0]}"
}
# The package unpacked into a temporary folder, without /usr/share/doc, as
# on an installation that drops the documentation.
unpack() {
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    dpkg-deb --fsys-tarfile "$1" | tar -x -C "$root" --exclude=./usr/share/doc
}
programs=(zentor zentor-sim zentor-asm zentor-mess)

mode=$1
target=$2
case "$mode" in
metainfo)
    need appstreamcli
    appstreamcli validate --pedantic --no-net "$target"
    ;;
desktop)
    need desktop-file-validate
    desktop-file-validate "$target"
    echo "$target: valid"
    ;;
build)
    rm -rf "$target"
    need dpkg-buildpackage dh
    "$top/packaging/build_deb.sh" "$target"
    ;;
contents)
    need dpkg-deb
    deb=$(the_deb "$target")
    listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
    missing=0
    for f in \
        ./usr/bin/{zentor,zentor-sim,zentor-asm,zentor-mess} \
        ./usr/share/applications/org.zentor.Zentor.desktop \
        ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/zentor.png \
        ./usr/share/metainfo/org.zentor.Zentor.metainfo.xml \
        ./usr/share/mime/packages/zentor.xml \
        ./usr/share/zentor/handbuch/handbuch.md \
        ./usr/share/doc/zentor/{README.md.gz,copyright,changelog.gz} \
        ./usr/share/man/man1/{zentor,zentor-sim,zentor-asm,zentor-mess}.1.gz \
        ./usr/share/man/de/man1/{zentor,zentor-sim,zentor-asm,zentor-mess}.1.gz; do
        if ! grep -qxF "$f" <<<"$listing"; then
            echo "missing from $deb: $f"
            missing=1
        fi
    done
    fields=$(dpkg-deb -f "$deb" Package Version Section Maintainer Depends Recommends)
    echo "$fields"
    for field in 'Version: .*+snap[0-9]{8}\.[0-9]{6}$' 'Depends: .*libqt6widgets6' \
                 'Depends: .*qt6-qpa-plugins' 'Recommends: qt6-translations-l10n'; do
        grep -qE "^$field" <<<"$fields" || { echo "no field matches: $field"; missing=1; }
    done
    exit $missing
    ;;
lintian)
    need lintian
    the_deb "$target" >/dev/null
    changes=("$target"/zentor_*.changes)
    # The .changes names the source package and the binary packages.
    lintian --pedantic --fail-on error,warning --display-level '>=pedantic' "${changes[0]}"
    echo "lintian: no errors or warnings in $(basename "${changes[0]}")"
    ;;
hardening)
    need hardening-check dpkg-deb
    deb=$(the_deb "$target")
    unpack "$deb"
    # Control-flow protection is compiled in (-fcf-protection), but the
    # mark survives linking only where the C library's start files carry
    # it, which Debian 12's do not: it is reported, not required.
    for p in "${programs[@]}"; do
        hardening-check --nocfprotection "$root/usr/bin/$p"
    done
    ;;
unpacked)
    need dpkg-deb strings
    deb=$(the_deb "$target")
    unpack "$deb"
    [ ! -e "$root/usr/share/doc" ] || { echo "/usr/share/doc was not left out"; exit 1; }
    # No display: --help must not need one. It names the data it finds.
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/zentor" --help)
    echo "$help"
    grep -qF "Handbuch: $root/usr/share/zentor/handbuch/handbuch.md" <<<"$help"
    grep -qF "Beispiele: $root/usr/share/zentor/examples" <<<"$help"
    for p in zentor-sim zentor-mess; do "$root/usr/bin/$p" --help >/dev/null; done
    examples=("$root"/usr/share/zentor/examples/*.z)
    [ -f "${examples[0]}" ] || { echo "no example programs"; exit 1; }
    for example in "${examples[@]}"; do
        "$root/usr/bin/zentor-asm" compile "$example" >/dev/null
        echo "compiles: ${example#"$root"}"
    done
    # Every picture the handbook shows is there.
    handbook=$root/usr/share/zentor/handbuch
    for picture in $(grep -o '](bilder/[^)]*)' "$handbook/handbuch.md" | tr -d '()]'); do
        [ -f "$handbook/$picture" ] || { echo "the handbook's picture $picture is missing"; exit 1; }
    done
    # No program carries a path of the tree it was built from.
    for p in "${programs[@]}"; do
        if strings -a "$root/usr/bin/$p" | grep -F -e "$top" -e "$target"; then
            echo "$p carries a build path"
            exit 1
        fi
    done
    # The file types are readable to shared-mime-info.
    if command -v update-mime-database >/dev/null 2>&1; then
        update-mime-database "$root/usr/share/mime"
        grep -E '^application/x-zentor-(program|measurement):\*\.(z|zmess)$' \
            "$root/usr/share/mime/globs"
    fi
    ;;
reproducible)
    need dpkg-buildpackage dh
    mkdir -p "$target"
    target=$(cd "$target" && pwd)
    for build in first second; do
        "$top/packaging/build_deb.sh" "$target/$build" >"$target.$build.log" 2>&1 ||
            { tail -20 "$target.$build.log"; exit 1; }
    done
    (cd "$target/first" && sha256sum zentor_*.deb zentor_*.tar.xz zentor_*.dsc) | tee "$target.sha256"
    (cd "$target/second" && sha256sum -c "$target.sha256")
    echo "reproducible: both builds give the same bytes"
    ;;
*)
    echo "usage: $0 metainfo|desktop|build|contents|lintian|hardening|unpacked|reproducible PATH" >&2
    exit 2
    ;;
esac
