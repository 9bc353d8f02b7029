#!/usr/bin/env bash
# Makes the Debian package from the build folder, unpacks it into a scratch root
# and runs what it installed: the versions, the help, the demo report over the
# installed examples to a PDF, a selection through the installed libhalvex.so.
# Exit 77 (skipped) where dpkg-deb is missing.
set -euo pipefail
build=$1
version=$2
command -v dpkg-deb > /dev/null || { echo "dpkg-deb is missing"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/out" > "$scratch/cpack.log") || { cat "$scratch/cpack.log"; exit 1; }
deb="$scratch/out/ostrand_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no package $deb"; ls "$scratch/out"; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"
usr="$scratch/root/usr"

fail() { echo "FAILED: $*"; exit 1; }
[ "$("$usr/bin/ostrand-cli" --version)" = "ostrand-cli $version" ] || fail "ostrand-cli --version"
[ "$("$usr/bin/ostrand" --version)" = "ostrand $version" ] || fail "ostrand --version"
help=$("$usr/bin/ostrand-cli" --help) || fail "ostrand-cli --help"
grep -q -- "--report" <<< "$help" || fail "ostrand-cli --help does not tell of --report"
for f in share/applications/ostrand.desktop share/icons/hicolor/scalable/apps/ostrand.svg \
         share/man/man1/ostrand.1.gz share/man/man1/ostrand-cli.1.gz share/doc/ostrand/copyright; do
  [ -f "$usr/$f" ] || fail "missing $f"
done

# The installed program serves the installed demo configuration.
examples="$usr/share/ostrand/examples"
logon=(--server DEMO-NT --tm TM1 --user engineer --password demo)
env -u OSTRAND_CONFIG_ROOT "$usr/bin/ostrand-cli" --report "$examples/settings/points.frf" "${logon[@]}" \
  --settings "$examples/settings/points.cfg" --pdf "$scratch/points.pdf" || fail "demo report"
if command -v pdfinfo > /dev/null; then
  pages=$(pdfinfo "$scratch/points.pdf" | awk '/^Pages:/ {print $2}')
  [ "${pages:-0}" -gt 1 ] || fail "demo report has ${pages:-no} pages"
fi

# The configuration-access library as a file of its own gives the same selection.
halvex=$(find "$usr/lib" -name libhalvex.so | head -1)
[ -n "$halvex" ] || fail "no libhalvex.so"
env -u OSTRAND_CONFIG_ROOT "$usr/bin/ostrand-cli" "${logon[@]}" --settings "$examples/settings/points.cfg" \
  --save "$scratch/builtin.tab" || fail "selection"
env -u OSTRAND_CONFIG_ROOT OSTRAND_CONFIG_LIBRARY="$halvex" "$usr/bin/ostrand-cli" "${logon[@]}" \
  --settings "$examples/settings/points.cfg" --save "$scratch/module.tab" || fail "selection through $halvex"
cmp -s "$scratch/builtin.tab" "$scratch/module.tab" || fail "libhalvex.so gives another selection"
[ "$(wc -l < "$scratch/builtin.tab")" -gt 100 ] || fail "the selection is nearly empty"

if command -v lintian > /dev/null; then
  lintian --fail-on error "$deb" || fail "lintian"
fi
echo "package $deb: installed programs run"
