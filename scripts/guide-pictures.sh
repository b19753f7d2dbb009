#!/usr/bin/env bash
# Makes every picture of the user guide again: docs/images/<VIEW>.png, one per `kszw --screenshot`
# view, taken on a fresh demo account set of the year 2026 with the program's clock at 2026-12-15,
# so the pictures do not depend on the day they are made.
#
#   scripts/guide-pictures.sh            # builds kszw and kszw-cli in build/ when needed
#   KSZW_BUILD_DIR=other/build scripts/guide-pictures.sh
#
# Stops with a message and status 1 when a picture fails or comes out larger than 250 KB.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KSZW_BUILD_DIR:-$root/build}
images=$root/docs/images
# A fixed folder: the year file's path shows in the pictures (the title bar, the login dialog).
work=${TMPDIR:-/tmp}/kszw-guide
set_dir=$work/岚屿穗示范机械
today=20261215
max_bytes=$((250 * 1024))

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
fi
cmake --build "$build" --target kszw kszw-cli -j2
kszw=$build/kszw
cli=$build/kszw-cli

rm -rf "$work"
mkdir -p "$work" "$images"
# The program runs with settings of its own here: the user's are never touched.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
"$cli" demo "$set_dir" --year 2026 --date "$today" >/dev/null
year_file=$set_dir/2026.ksk

failed=()
shot() {
    local view=$1 file=$2
    shift 2
    if "$kszw" --screenshot "$view" "$images/$view.png" --file "$file" --date "$today" "$@" \
        2> >(grep -v -e 'propagateSizeHints' -e 'XDG_RUNTIME_DIR' -e 'does not support raise' >&2); then
        local bytes
        bytes=$(stat -c %s "$images/$view.png")
        if [ "$bytes" -gt "$max_bytes" ]; then
            echo "guide-pictures: $view.png is $bytes bytes (more than $max_bytes)" >&2
            failed+=("$view")
        else
            printf '  %-26s %7d bytes\n' "$view.png" "$bytes"
        fi
    else
        echo "guide-pictures: the picture $view failed" >&2
        failed+=("$view")
    fi
}

echo "Pictures of the year 2026 ($year_file):"
for view in login main-window new-set operators subject-setup opening-balances voucher-entry \
    voucher-review-select voucher-review voucher-query three-column-conditions three-column-ledger \
    balance-table turnover-table balance-sheet income-statement print-preview month-close new-year backup help; do
    shot "$view" "$year_file"
done

# 转帐 works on the next year: the year 2027 is made first, as 建新年度帐 would make it.
if ! "$cli" new-year "$year_file" --operator 101 --year 2027 --yes >"$work/new-year.log" 2>&1; then
    cat "$work/new-year.log" >&2
    exit 1
fi
echo "Pictures of the year 2027:"
shot carry-forward "$set_dir/2027.ksk"

if [ ${#failed[@]} -gt 0 ]; then
    echo "guide-pictures: failed: ${failed[*]}" >&2
    exit 1
fi
rm -rf "$work"
echo "All pictures are in $images."
