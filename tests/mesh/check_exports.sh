#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Mesh exports keep their bytes: every line of exports.sha256 is the SHA-256
# of what one moon-terrain command wrote, then the command ("FILE.EXT" stands
# for an output file in the work folder, whose extension picks the format).
# The sums were made by moon-terrain before meshes were written any other way;
# --update writes them anew from PROGRAM (only to extend the list).
#   check_exports.sh PROGRAM REFERENCES WORK_DIR [--update]
set -euo pipefail

program=$1 references=$2 work=$3 update=${4:-}
rm -rf "$work"
mkdir -p "$work"
status=0
checked=0
new=()
while read -r sum command; do
    [[ -z $sum || $sum == \#* ]] && continue
    read -r -a args <<<"${command//FILE/$work/out}"
    rm -f "$work"/out.*
    if ! "$program" "${args[@]}" >"$work/stdout" 2>"$work/stderr"; then
        echo "FAIL: moon-terrain $command: $(cat "$work/stderr")"
        status=1
        continue
    fi
    output=$work/stdout
    for file in "$work"/out.*; do
        [[ -e $file ]] && output=$file
    done
    actual=$(sha256sum "$output" | cut -d' ' -f1)
    new+=("$actual  $command")
    checked=$((checked + 1))
    if [[ $actual != "$sum" && -z $update ]]; then
        echo "FAIL: moon-terrain $command wrote other bytes"
        status=1
    fi
done <"$references"
if [[ -n $update ]]; then
    { grep '^#' "$references"; printf '%s\n' "${new[@]}"; } >"$work/sums"
    mv "$work/sums" "$references"
fi
rm -rf "$work"
echo "$checked exports checked"
exit $status
