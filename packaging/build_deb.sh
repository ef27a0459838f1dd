#!/usr/bin/env bash
# Builds the Debian package (binary and source) of the source tree this
# script lies in, into OUTDIR:
#   OUTDIR/zentor_<version>_<arch>.deb, zentor_<version>.dsc, .tar.xz, ...
# The version is a snapshot of the release in debian/changelog:
# <release>+snap<YYYYMMDD>.<HHMMSS>, the UTC time of the last commit, so that
# a package of a newer commit installs over an older one. Without git (a
# tarball) the time of the newest source file takes its place.
# The build runs in OUTDIR/zentor, a copy of the files git knows (or of the
# tree without build folders), so that two builds of one commit in two
# folders give the same bytes.
set -euo pipefail

out=${1:?usage: build_deb.sh OUTDIR}
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$out/zentor

in_git() { command -v git >/dev/null 2>&1 && git -C "$top" rev-parse --git-dir >/dev/null 2>&1; }

# The files of the package's source, NUL-separated, relative to $top.
source_files() {
    if in_git; then
        git -C "$top" ls-files -z --cached --others --exclude-standard
    else
        (cd "$top" && find . -path ./.git -prune -o \
            \( -type d \( -name 'build*' -o -name 'obj-*' \) -prune \) -o \
            \( -type f -o -type l \) -printf '%P\0')
    fi
}

if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    epoch=$SOURCE_DATE_EPOCH
elif in_git && epoch=$(git -C "$top" log -1 --format=%ct 2>/dev/null) && [ -n "$epoch" ]; then
    :
else
    epoch=$(source_files | (cd "$top" && xargs -0 stat -c %Y) | sort -n | tail -1)
fi
release=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
version=$release+snap$(date -u -d "@$epoch" +%Y%m%d.%H%M%S)
if in_git; then
    what="commit $(git -C "$top" rev-parse --short=12 HEAD)"
else
    what="the source tree"
fi

rm -rf "$stage" "$out"/zentor_*
mkdir -p "$stage"
# Only files that exist: a file deleted but not yet committed is left out.
source_files | (cd "$top" && tar --null -T - --ignore-failed-read -cf -) |
    tar -xf - -C "$stage"

# The snapshot's entry on top of the changelog.
{
    printf 'zentor (%s) unstable; urgency=medium\n\n' "$version"
    printf '  * Snapshot of %s.\n\n' "$what"
    printf ' -- %s  %s\n\n' "$(dpkg-parsechangelog -l "$top/debian/changelog" -S Maintainer)" \
        "$(LC_ALL=C date -u -R -d "@$epoch")"
    cat "$top/debian/changelog"
} >"$stage/debian/changelog"

# Every file of the source gets the commit's time and plain permissions, so
# that neither the checkout's time nor its umask shows in the source package.
chmod -R u+rwX,go+rX,go-w "$stage"
find "$stage" -print0 | xargs -0 touch -h -d "@$epoch"

cd "$stage"
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc)}"
dpkg-buildpackage --build=source,binary --no-sign -tc
echo "built: $(ls "$out"/zentor_"$version"_*.deb)"
