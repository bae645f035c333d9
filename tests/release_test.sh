#!/usr/bin/env bash
# tools/release, end to end for the Linux artefacts of the commit checked out (HEAD, not the
# working tree's changes): built twice, in two folders at two times, they are the same bytes; the
# package installs into a scratch root and is removed from it without a trace; the installed
# program runs and finds its library and tables, its man page renders and its completion answers;
# the tarball's program runs from wherever it is unpacked. Skipped (77) without git history,
# help2man, dpkg-dev or man-db.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
git -C "$root" rev-parse HEAD >/dev/null 2>&1 && command -v help2man >/dev/null &&
  command -v dpkg-shlibdeps >/dev/null && command -v man >/dev/null || exit 77
scratch=$(mktemp -d "$root/build/release-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

commit=$(git -C "$root" rev-parse HEAD)  # one commit, even if HEAD moves meanwhile
for run in one two/deeper; do
  "$root/tools/release" --commit "$commit" --targets linux --work "$scratch/$run/work" --out "$scratch/$run/dist" \
    >"$scratch/release.log" 2>&1 || { cat "$scratch/release.log"; fail "tools/release ($run)"; exit 1; }
done
version=$(cmake -DCOMMIT="$commit" -P "$root/cmake/version.cmake")
one=$scratch/one/dist two=$scratch/two/deeper/dist
for artefact in "namefold-$version-linux-x86_64.tar.gz" "namefold_${version}_amd64.deb" SHA256SUMS; do
  if ! cmp -s "$one/$artefact" "$two/$artefact"; then
    fail "$artefact differs between two builds"
    command -v diffoscope >/dev/null && diffoscope "$one/$artefact" "$two/$artefact" | head -60
  fi
done

if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$one/namefold_${version}_amd64.deb" 2>/dev/null ||
    fail "lintian: $(lintian "$one/namefold_${version}_amd64.deb" 2>&1)"
fi

# Installed into a root of its own with dpkg, which also removes it.
target=$scratch/root
mkdir -p "$target/var/lib/dpkg/info" "$target/var/lib/dpkg/updates"
: >"$target/var/lib/dpkg/status"
dpkg=(dpkg --root="$target" --log=/dev/null --force-depends,not-root)
"${dpkg[@]}" -i "$one/namefold_${version}_amd64.deb" >"$scratch/dpkg.log" 2>&1 ||
  fail "dpkg -i: $(cat "$scratch/dpkg.log")"
program=$target/usr/bin/namefold
[[ $("$program" --version) == "namefold $version" ]] || fail "--version: $("$program" --version)"
info=$("$program" info) || fail "namefold info: status $?"
[[ $(grep -c "parses cleanly" <<<"$info") == 2 && $info == *"/usr/lib/namefold/namefold.so"* ]] ||
  fail "namefold info does not find the installed library and tables: $info"
[[ $(printf 'Crème brûlée\nЩука\n' | "$program" text) == $'Creme brulee\nShchuka' ]] ||
  fail "namefold text with the installed tables"
page=$(MANPAGER=cat MANWIDTH=80 man -l "$target/usr/share/man/man1/namefold.1.gz" 2>&1)
[[ $page == *"namefold text"* && $page == *"--from0"* && $page == *"$version"* ]] ||
  fail "man -l: $(head -20 <<<"$page")"
mkdir -p "$scratch/elsewhere"
offers() {  # complete WORD...: what the completion offers for the last word, in an empty folder
  cd "$scratch/elsewhere" && PATH=$target/usr/bin:$PATH bash -c 'source "$1"; shift; COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _namefold; echo "${COMPREPLY[*]}"' _ \
    "$target/usr/share/bash-completion/completions/namefold" "$@"
}
[[ $(offers namefold t) == "tables text" ]] || fail "completion of commands: $(offers namefold t)"
[[ $(offers namefold text --fi) == "--field" ]] || fail "completion of options: $(offers namefold text --fi)"
[[ $(offers namefold --fields 0,NameRep) == "0,NameReplaceNoEnglish 0,NameReplaceUserUnicode 0,NameReplaceUserAll" ]] ||
  fail "completion of fields: $(offers namefold --fields 0,NameRep)"
"${dpkg[@]}" -P namefold >"$scratch/dpkg.log" 2>&1 || fail "dpkg -P: $(cat "$scratch/dpkg.log")"
left=$(find "$target" -mindepth 1 -not -path "$target/var" -not -path "$target/var/lib" \
  -not -path "$target/var/lib/dpkg*")
[[ -z $left ]] || fail "removing the package leaves: $left"

mkdir -p "$scratch/unpacked"
tar -xzf "$one/namefold-$version-linux-x86_64.tar.gz" -C "$scratch/unpacked"
info=$(cd "$scratch/elsewhere" && "$scratch/unpacked/namefold-$version-linux-x86_64/bin/namefold" info)
[[ $(grep -c "parses cleanly" <<<"$info") == 2 ]] || fail "the tarball's program: $info"

((failures == 0)) && echo "release: all checks passed"
exit $((failures > 0))
