#!/usr/bin/env bash
# The install step against an archive caught mid-sync: apt-get shims on
# PATH whose update fails for one index and whose install refuses the
# packages named in $REFUSED (alone or in a group).
set -uo pipefail
here=$(dirname "$(realpath "$0")")
shims=$(mktemp -d)
trap 'rm -rf "$shims"' EXIT
cat >"$shims/apt-get" <<'SHIM'
#!/usr/bin/env bash
case "$1" in
update) echo update >>"$INSTALLED"; echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size" >&2; exit 100 ;;
install) for p in "$@"; do [[ " $REFUSED " == *" $p "* ]] && { echo "E: Unable to locate package $p" >&2; exit 100; }; done
         shift 4; echo "$*" >>"$INSTALLED"; exit 0 ;;
esac
SHIM
printf '#!/bin/sh\nexit 1\n' >"$shims/dpkg-query"
chmod +x "$shims/apt-get" "$shims/dpkg-query"
failures=0
# check WHAT EXPECTED_CODE PATTERN COMMAND...: runs the command in a shell
# that sourced deps.sh; its output must match the pattern.
check() {
    local what=$1 want=$2 pattern=$3 out code
    shift 3
    rm -f "$shims/installed"
    out=$(PATH="$shims:$PATH" INSTALLED="$shims/installed" bash -c "source '$here/../../scripts/deps.sh'; $*" 2>&1)
    code=$?
    if [ "$code" != "$want" ] || ! grep -Eq "$pattern" <<<"$out"; then
        echo "FAILED: $what: exit $code, wanted $want and /$pattern/; said:"; echo "$out"
        failures=$((failures + 1))
    fi
}
check "a failed update goes on" 0 "update failed for some package indexes.*unexpected size" \
    "REFUSED= install_missing cmake g++ && grep -qx 'cmake g++' \$INSTALLED"
check "a needed package that cannot be installed is named" 1 "cannot install the Debian packages bogus, which are needed" \
    "REFUSED=bogus install_missing cmake bogus && grep -qx cmake \$INSTALLED"
check "an optional group that cannot be installed is said and left out" 0 \
    "32-bit programs \(wine32:i386 libx:i386\); going on without them: E: Unable to locate package wine32:i386" \
    "REFUSED=wine32:i386 install_optional 'the 32-bit programs' wine32:i386 libx:i386 && ! grep -q libx \$INSTALLED"
check "the lists are read once a run" 0 "Installing Debian packages for x: b c" \
    "REFUSED= install_missing a; REFUSED= install_optional x b c; [ \$(grep -c update \$INSTALLED) = 1 ]"
echo "$((4 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
