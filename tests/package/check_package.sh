#!/usr/bin/env bash
# Checks the Debian package that scripts/package made: lintian finds no error in it; its desktop entry and
# AppStream description are valid; every executable is stripped; and its contents, unpacked into a temporary
# root, start as an installed Tessly would, from a fresh home on a virtual desktop (the end-to-end test
# installed_package_e2e, built in the test build).
# Usage: bash tests/package/check_package.sh <the .deb> <the test build directory>
set -euo pipefail
deb="$1"
test_build="$2"

echo "== lintian $deb"
lintian --fail-on error --info --tag-display-limit 0 "$deb"

root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

echo "== desktop entry and AppStream description"
desktop-file-validate "$root/usr/share/applications/app.tessly.Tessly.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/app.tessly.Tessly.metainfo.xml"

echo "== stripped executables"
unstripped="$(find "$root" -type f -exec file {} + | grep ELF | grep -v ', stripped' || true)"
if [ -n "$unstripped" ]; then
    echo "Not stripped:" >&2
    echo "$unstripped" >&2
    exit 1
fi

echo "== the installed Tessly, from a fresh home"
# What a package installs belongs to the system: Tessly never writes into it (whoever runs this may be root,
# for whom nothing there is read-only, so the files are compared before and after).
listing() { (cd "$root" && find . -printf '%p %y %s %T@ %m\n' | sort); }
before="$(listing)"
export TESSLY_INSTALLED_ROOT="$root"
if command -v dbus-run-session >/dev/null; then
    dbus-run-session -- "$test_build/tests/e2e/installed_package_e2e"
else
    "$test_build/tests/e2e/installed_package_e2e"
fi
if [ "$(listing)" != "$before" ]; then
    echo "The installed files changed while Tessly ran:" >&2
    diff <(echo "$before") <(listing) >&2 || true
    exit 1
fi
