#!/usr/bin/env bash
# Checks the package that tools/build-package.sh built, as Debian would:
# lintian (errors and warnings fail; pedantic and info tags are shown),
# the hardening of every binary and the AppStream metadata. Then, as root on
# a machine where Korvane is not installed, installs it and checks the
# catalog a shop edits: the group korvane, the folder's owner and mode, a
# member's new files in the group, the demo copied on the first install
# only, purge keeping the catalog. What it installs and makes, it removes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh lintian appstream binutils

debs=(build-deb/korvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -e "${debs[0]}" ] || { echo "FAIL: build one package first (tools/build-package.sh)" >&2; exit 1; }
deb=./${debs[0]}
work=$(mktemp -d /tmp/korvane-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "--- $*"; }

step "lintian"
lintian_status=0
lintian --pedantic --display-info --fail-on error,warning "$deb" >"$work/lintian" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian" || true
[ "$lintian_status" -eq 0 ] || fail "lintian: exit status $lintian_status"
! grep -q ' hardening-' "$work/lintian" || fail "a binary lacks hardening"

step "every binary hardened: PIE, read-only relocations bound at start, stack protector, fortified functions"
dpkg-deb -x "$deb" "$work/root"
for binary in "$work"/root/usr/bin/* "$work"/root/usr/lib/korvane/*; do
    [ -f "$binary" ] && [ ! -L "$binary" ] || continue
    name=${binary#"$work/root"}
    readelf -h "$binary" | grep -q 'Type: *DYN' || fail "$name is no PIE"
    readelf -lW "$binary" | grep -q GNU_RELRO || fail "$name has no RELRO"
    readelf -dW "$binary" | grep -qE 'BIND_NOW|FLAGS_1.* NOW' || fail "$name has no BIND_NOW"
    symbols=$(readelf --dyn-syms -W "$binary")
    grep -q __stack_chk_fail <<<"$symbols" || fail "$name has no stack protector"
    grep -qE '__[a-z_]+_chk@' <<<"$symbols" || fail "$name uses no fortified function"
    echo "$name: hardened"
done

step "AppStream"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml

# --- installed -----------------------------------------------------------------

status=$(dpkg-query -W -f='${db:Status-Status}' korvane 2>/dev/null || true)
if [ "$(id -u)" -ne 0 ] || { [ -n "$status" ] && [ "$status" != not-installed ]; } ||
   getent group korvane >/dev/null || [ -e /var/lib/korvane ]; then
    [ -z "${CI:-}" ] || fail "CI must install the package: it needs root and a machine without Korvane"
    echo "The install check needs root and a machine without Korvane: skipped"
    exit 0
fi

catalog=/var/lib/korvane/DATA
member=korvane-member-$$
cleanup() {
    rm -rf "$work"
    dpkg --purge korvane >/dev/null 2>&1 || true
    rm -rf /var/lib/korvane
    userdel "$member" >/dev/null 2>&1 || true
    groupdel korvane >/dev/null 2>&1 || true
}
trap cleanup EXIT
as_member() { runuser -u "$member" -- "$@"; }
owner_mode() { stat -c '%U:%G %a' "$1"; }

step "install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
gid=$(getent group korvane | cut -d: -f3)
[ -n "$gid" ] && [ "$gid" -lt 1000 ] || fail "no system group korvane (gid '$gid')"
[ "$(readlink /usr/lib/korvane/DATA)" = "$catalog" ] || fail "/usr/lib/korvane/DATA does not link to $catalog"
[ "$(owner_mode "$catalog")" = "root:korvane 2775" ] || fail "$catalog is $(owner_mode "$catalog")"
wrong=$(find "$catalog" \( -type d ! -perm 2775 \) -o \( -type f ! -perm 664 \) -o ! -user root -o ! -group korvane | head -1)
[ -z "$wrong" ] || fail "$wrong is $(owner_mode "$wrong")"
echo "$catalog: $(owner_mode "$catalog"), every folder 2775 and file 664, root:korvane"

step "a member of the group, as README.Debian says (adduser USER korvane)"
useradd --no-create-home --shell /usr/sbin/nologin "$member"
adduser --quiet "$member" korvane
as_member env -u DISPLAY -u WAYLAND_DISPLAY korvane --version
as_member korvane-check --quiet || fail "korvane-check finds errors in the installed demo catalog"
# A new file, a new folder, and a file replaced the way Korvane saves (a new
# file renamed over the old one), under the umask most users have.
as_member sh -c "umask 022 && echo dump > $catalog/PartList.txt && mkdir $catalog/LST/Photos &&
                 printf 'LST\r\n' > $catalog/.catalog.new && mv -f $catalog/.catalog.new $catalog/catalog.txt"
for made in PartList.txt LST/Photos catalog.txt; do
    echo "$made: $(owner_mode "$catalog/$made")"
    [ "$(stat -c '%U:%G' "$catalog/$made")" = "$member:korvane" ] || fail "$made is not in the group"
done
[ -g "$catalog/LST/Photos" ] || fail "a member's new folder is not set-group-id"
! runuser -u nobody -- touch "$catalog/nobody" 2>/dev/null || fail "a user outside the group wrote in the catalog"

step "purge keeps the catalog and the group; a new install leaves them as they are"
dpkg --purge korvane >/dev/null
[ -e "$catalog/PartList.txt" ] || fail "purge removed the catalog"
getent group korvane >/dev/null || fail "purge removed the group"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
[ "$(cat "$catalog/catalog.txt")" = $'LST\r' ] || fail "the new install replaced the catalog"

step "a catalog the administrator removed stays removed on upgrade"
rm -rf "$catalog"
dpkg -i "$deb" >/dev/null
[ ! -e "$catalog" ] || fail "the upgrade put the demo back"

step "the catalog of 0.1-1, root's alone, goes to the group on upgrade; one a user may write stays as it is"
cp -R /usr/share/korvane/demo/DATA "$catalog"
/var/lib/dpkg/info/korvane.postinst configure 0.1-1
[ "$(owner_mode "$catalog/XRAY")" = "root:korvane 2775" ] || fail "upgraded catalog: XRAY is $(owner_mode "$catalog/XRAY")"
[ "$(owner_mode "$catalog/catalog.txt")" = "root:korvane 664" ] || fail "upgraded catalog: catalog.txt is $(owner_mode "$catalog/catalog.txt")"
rm -rf "$catalog"
cp -R /usr/share/korvane/demo/DATA "$catalog"
chown "$member" "$catalog/XRAY"
/var/lib/dpkg/info/korvane.postinst configure 0.1-1
[ "$(owner_mode "$catalog")" = "root:root 755" ] || fail "a catalog a user may write was changed: $(owner_mode "$catalog")"

echo "The package installs, and the group korvane edits the catalog"
