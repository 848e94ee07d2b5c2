#!/usr/bin/env bash
# A machine reading of the menus: the layout check draws the main menu, quick start,
# graphics, audio, controls and quit pages at 1024 x 768 and lists the texts each one
# shows, with where each lies. tesseract reads each picture at twice its size, then each
# caption cut out by its box (a turned one levelled, as a reader tilts their head: the
# corner buttons' labels lie at 22.5 degrees); every word of those texts must be among
# what it read. Prints each page's share, the share of the whole picture's reading
# alone, and what was missed; exits 1 below 95 % on any page.
#
#   scripts/ocr_check.sh        (run after a build; needs tesseract-ocr and ImageMagick)
set -euo pipefail
# One thread: on a busy host tesseract's threads wait on one another for minutes.
export OMP_THREAD_LIMIT=1
cd "$(dirname "$0")/.."
command -v tesseract >/dev/null || { echo "ocr_check: tesseract is missing (apt-get install tesseract-ocr)" >&2; exit 1; }
command -v convert >/dev/null || { echo "ocr_check: ImageMagick's convert is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd build && HOME="$work" xvfb-run -a -s "-screen 0 1024x768x24" tools/layout_check --texts --shots "$work" \
   --size 1024x768 > "$work/texts.txt")
status=0
for page in main_menu quick_start graphics audio controls_keys quit; do
  read_words="$work/$page.read"
  : > "$read_words"
  convert "$work/$page.png" -resize 200% "$work/$page.big.png"
  tesseract "$work/$page.big.png" - --psm 11 2>/dev/null >> "$read_words" || true
  tr -cs '[:alnum:]' '\n' < "$read_words" | tr '[:upper:]' '[:lower:]' | sort -u > "$work/$page.whole"
  n=0
  while IFS=$'\t' read -r _ _ where; do
    read -r cx cy length height turn <<< "$where"
    n=$((n + 1))
    side=$(awk -v l="$length" -v h="$height" 'BEGIN { printf "%d", sqrt(l * l + h * h) + 24 }')
    corner=$(printf '%+d%+d' $((${cx%.*} - side / 2)) $((${cy%.*} - side / 2)))
    convert "$work/$page.png" -crop "${side}x${side}$corner" +repage \
      -rotate "$turn" +repage -gravity center -crop "$((${length%.*} + 24))x$((${height%.*} + 12))+0+0" +repage \
      -resize 400% "$work/$page.label$n.png"
    tesseract "$work/$page.label$n.png" - --psm 7 2>/dev/null >> "$read_words" || true
  done < <(grep -aP "^text $page\t" "$work/texts.txt")
  # Words of three or more letters or digits, compared without case.
  tr -cs '[:alnum:]' '\n' < "$read_words" | tr '[:upper:]' '[:lower:]' | sort -u > "$work/$page.got"
  grep -aP "^text $page\t" "$work/texts.txt" | cut -f2 | tr -cs '[:alnum:]' '\n' |
    tr '[:upper:]' '[:lower:]' | awk 'length($0) >= 3' | sort > "$work/$page.want"
  total=$(wc -l < "$work/$page.want")
  found=$(grep -cxFf "$work/$page.got" "$work/$page.want" || true)
  missed=$(grep -vxFf "$work/$page.got" "$work/$page.want" | sort -u | tr '\n' ' ' || true)
  share=$(( total > 0 ? 100 * found / total : 100 ))
  whole=$(grep -cxFf "$work/$page.whole" "$work/$page.want" || true)
  echo "$page: $found of $total words read ($share %; the whole picture alone $whole)${missed:+; missed: $missed}"
  [ "$share" -ge 95 ] || status=1
done
exit $status
