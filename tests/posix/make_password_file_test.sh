#!/usr/bin/env bash
# The installer's initial password file: one 32-byte record whose first 16
# bytes are an encoding (codes 62 to 125) and whose reserve is zero.
#   make_password_file_test.sh TOOL
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'an older, longer file that must not leak into the new one' >"$work/PSTACK.DRV"
"$tool" "$work/PSTACK.DRV" || { echo "the tool failed"; exit 1; }
[ "$(stat -c %s "$work/PSTACK.DRV")" = 32 ] || { echo "not 32 bytes"; exit 1; }
head -c 16 "$work/PSTACK.DRV" | LC_ALL=C grep -q '^[>-}]\{16\}$' || { echo "the code is not 16 characters from > to }"; exit 1; }
[ "$(tail -c 16 "$work/PSTACK.DRV" | od -An -tx1 | tr -d ' \n')" = "$(printf '00%.0s' $(seq 16))" ] || { echo "the reserve is not zero"; exit 1; }
"$tool" "$work/other" && ! cmp -s "$work/PSTACK.DRV" "$work/other" || { echo "two files share one salt"; exit 1; }
echo "ok: $(head -c 16 "$work/PSTACK.DRV")"
