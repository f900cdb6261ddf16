#!/usr/bin/env bash
# Renders velmora's EPS figures to PDF and PNG with Ghostscript, each fitted to
# what is drawn and labelled with chromosome numbers, a Mb axis and its name.
#
# velmora's figures have no bounding box and no labels: one row per chromosome
# (chromosome c between y = 18*(1 + 0.75*(c-1)) and 18*(1.5 + 0.75*(c-1)) pt,
# chromosome 1 at the bottom), x = bp / 500000 pt (2 pt per Mb), and in p-value
# figures a legend at 150-170 mm x, 85-110 mm y. Each figure is copied behind a
# small PostScript prologue that sets the page to that extent and draws the
# labels; the EPS files themselves are only read.
#
# All figures of one call share one extent (the highest chromosome and the
# largest position drawn in any of them), so that they compare side by side.
#
# Guarded against what would hang Ghostscript or write the wrong file: rows
# and extents are checked against what velmora can draw, the resolution and
# the PNG's size are bounded, paths and names with control characters are
# refused, a title reaches PostScript only as letters, digits and ._+- (any
# other byte, a backslash or parenthesis among them, becomes '_'), two figures
# that would write one PDF are refused, and each output is rendered to a
# temporary file that replaces the old one only when Ghostscript succeeded.
set -euo pipefail
# Names are compared and cleaned byte by byte, whatever the user's locale.
export LC_ALL=C

# velmora's highest chromosome number; its frame is 24572.955 x-units wide.
readonly MAX_ROWS=10001
# 10 Gb in x-units of 10 kb: far beyond any chromosome.
readonly MAX_X=1000000
readonly MAX_RESOLUTION=2400
# Pixels of one PNG at most (width x height).
readonly MAX_PIXELS=200000000

usage() {
  cat <<'EOF'
Usage: render_figures.sh [--out DIR] [--resolution DPI] [--chromosomes N] [--full-frame] PATH...
       render_figures.sh --help | --version

PATH is a velmora output directory (every *.ps and *.eps in it) or a figure.
Writes NAME.pdf and NAME.png beside each figure, or into --out DIR.
  --resolution DPI   PNG resolution (default 150)
  --chromosomes N    label rows 1..N (default: the highest chromosome drawn)
  --full-frame       span velmora's whole 245.7 Mb frame instead of the data
EOF
}

fail() {
  echo "ERROR: $*" >&2
  exit 1
}

out_dir=""
resolution=150
chromosomes=""
full_frame=0
paths=()
while [[ $# -gt 0 ]]; do
  case $1 in
    -h | --help) usage; exit 0 ;;
    --version) echo "render_figures.sh 1.1"; exit 0 ;;
    --out) [[ $# -ge 2 ]] || fail "--out needs a directory"; out_dir=$2; shift 2 ;;
    --resolution) [[ $# -ge 2 ]] || fail "--resolution needs a number"; resolution=$2; shift 2 ;;
    --chromosomes) [[ $# -ge 2 ]] || fail "--chromosomes needs a number"; chromosomes=$2; shift 2 ;;
    --full-frame) full_frame=1; shift ;;
    -*) usage >&2; fail "unknown option $1" ;;
    *) paths+=("$1"); shift ;;
  esac
done
[[ ${#paths[@]} -gt 0 ]] || { usage >&2; fail "name a velmora output directory or figure"; }
[[ $resolution =~ ^[1-9][0-9]{0,4}$ && $resolution -le $MAX_RESOLUTION ]] ||
  fail "--resolution needs a whole number from 1 to $MAX_RESOLUTION, not '$resolution'"
[[ -z $chromosomes || ($chromosomes =~ ^[1-9][0-9]{0,4}$ && $chromosomes -le $MAX_ROWS) ]] ||
  fail "--chromosomes needs a whole number from 1 to $MAX_ROWS, not '$chromosomes'"
# A control character (LF, CR, TAB, the other C0 bytes, DEL) would break the
# messages and the PostScript comment lines; such a path is not printed.
has_control() { [[ $1 == *[[:cntrl:]]* ]]; }
has_control "$out_dir" && fail "the --out name holds a control character; rename it"
for path in "${paths[@]}"; do
  has_control "$path" && fail "a path given holds a control character; rename it"
done
command -v gs > /dev/null || fail "Ghostscript (gs) is not installed; on Debian: apt-get install ghostscript"
if [[ -n $out_dir ]]; then
  mkdir -p -- "$out_dir" || fail "cannot create $out_dir"
fi

# Whole-genome figures only: they begin with the PostScript header. Pieces left
# by an interrupted run have none and are passed over.
figures=()
add_figure() {
  if has_control "$1"; then
    fail "the figure name $(printf '%q' "$1") holds a control character; rename it"
  fi
  # A relative name starting with '-' would read as an option, and one like
  # a=b.ps as an awk assignment.
  local figure=$1
  [[ $figure == /* ]] || figure=./$figure
  if [[ ! -f $figure ]]; then
    # A FIFO or device would block the reading; only regular files are figures.
    echo "render_figures: $1 is not a regular file; skipped" >&2
  elif [[ $(head -c 4 "$figure") == '%!PS' ]]; then
    figures+=("$figure")
  else
    echo "render_figures: $1 has no PostScript header (a per-chromosome piece?); skipped" >&2
  fi
}
for path in "${paths[@]}"; do
  if [[ -d $path ]]; then
    shopt -s nullglob
    for file in "$path"/*.ps "$path"/*.eps; do add_figure "$file"; done
    shopt -u nullglob
  elif [[ -f $path ]]; then
    add_figure "$path"
  elif [[ -e $path ]]; then
    fail "$path is not a regular file (a FIFO or device?)"
  else
    fail "no file or directory $path"
  fi
done
[[ ${#figures[@]} -gt 0 ]] || fail "no EPS figure found in ${paths[*]}"

# Two figures of one name body would write one PDF and one PNG.
declare -A target_of=()
for figure in "${figures[@]}"; do
  name=$(basename "$figure")
  key="${out_dir:-$(dirname "$figure")}/${name%.*}"
  if [[ -n ${target_of[$key]:-} ]]; then
    fail "${target_of[$key]} and $figure would both be rendered to $key.pdf; render them with --out into separate directories"
  fi
  target_of[$key]=$figure
done

# Segment lines read "chromosome<TAB>x<TAB>exch ...", x in units of 10 kb.
# Rows and positions beyond what velmora draws are refused, not labelled.
extent=$(awk -F'\t' -v max_rows="$MAX_ROWS" -v max_x="$MAX_X" '$3 ~ /^exch / {
    if ($1 !~ /^[0-9]+$/ || $1 + 0 < 1 || $1 + 0 > max_rows) { bad = FILENAME ": chromosome " substr($1, 1, 30); exit }
    if ($2 !~ /^-?[0-9]+(\.[0-9]*)?$/ || $2 + 0 > max_x) { bad = FILENAME ": position " substr($2, 1, 30); exit }
    if ($1 + 0 > c) c = $1 + 0
    if ($2 + 0 > x) x = $2 + 0
  } END { if (bad != "") print "BAD " bad; else printf "%d %f\n", c, x }' "${figures[@]}")
if [[ $extent == BAD* ]]; then
  fail "${extent#BAD } is beyond what velmora draws (rows 1 to $MAX_ROWS, positions up to 10 Gb)"
fi
read -r top_row max_x <<< "$extent"
[[ -n $chromosomes ]] && top_row=$chromosomes
[[ $top_row -ge 1 ]] || top_row=1
[[ $full_frame -eq 1 ]] && max_x=24572.955

# Writes the labelled copy of figure $1 to $2.
wrap_figure() {
  local figure=$1 wrapped=$2 legend=0 title
  grep -q '2.83 2.83 scale' "$figure" && legend=1
  # The title is cleaned before any use, and reaches awk through the
  # environment: awk -v would turn a backslash-n in the name into a line break.
  title=$(basename -- "$figure")
  title=${title//[^A-Za-z0-9._+-]/_}
  FIGURE_TITLE=$title awk -v rows="$top_row" -v max_x="$max_x" -v legend="$legend" '
    function ceil(v) { return v == int(v) ? v : int(v) + 1 }
    BEGIN {
      title = ENVIRON["FIGURE_TITLE"]
      row_top = 18 * (1.5 + 0.75 * (rows - 1))
      width_mb = max_x / 100
      # Axis step: at most ten ticks, at least 20 Mb (40 pt) apart so that
      # their labels never touch.
      split("20 50 100 200 500 1000", steps, " ")
      step = 2000
      for (i = 1; i <= 6; i++) if (width_mb / steps[i] <= 10) { step = steps[i]; break }
      axis_mb = ceil(width_mb / step) * step
      right = axis_mb * 2 + 16  # the axis and its unit
      top = row_top
      if (legend) { if (right < 472) right = 472; if (top < 312) top = 312 }
      # Helvetica averages well under 0.6 em a character: room for the title.
      title_right = 0.6 * 8 * length(title)
      x0 = -24; y0 = 0; x1 = (right > title_right ? right : title_right) + 12; y1 = top + 16
      printf "%%!PS-Adobe-3.0 EPSF-3.0\n%%%%BoundingBox: 0 0 %d %d\n%%%%EndComments\n", ceil(x1 - x0), ceil(y1 - y0)
      printf "%% Labelled copy of %s made by render_figures.sh\n", title
      # A figure whose largest value is 0 gets shades of 0/0, which C prints
      # as nan or -nan; draw those bars black rather than fail.
      print "/nan 0 def /-nan 0 def /inf 1 def /-inf 0 def"
      printf "%d %d translate\n", -x0, -y0
      print "gsave /Helvetica findfont 7 scalefont setfont 0 setgray 0.4 setlinewidth"
      for (c = 1; c <= rows; c++) {
        y = 18 * (1.25 + 0.75 * (c - 1)) - 2.5
        printf "(%d) dup stringwidth pop -4 exch sub %.2f moveto show\n", c, y
      }
      printf "0 14 moveto %.2f 14 lineto stroke\n", axis_mb * 2
      for (mb = 0; mb <= axis_mb; mb += step) {
        printf "%.2f 14 moveto 0 -3 rlineto stroke\n", mb * 2
        printf "(%d) dup stringwidth pop 2 div %.2f exch sub 3 moveto show\n", mb, mb * 2
      }
      printf "%.2f 11.5 moveto (Mb) show\n", axis_mb * 2 + 4
      printf "/Helvetica findfont 8 scalefont setfont 0 %.2f moveto (%s) show grestore\n", top + 6, title
    }' > "$wrapped"
  # velmora draws in the coordinate system it is given; the copy runs inside
  # gsave/grestore so that nothing it sets leaks into the page.
  { echo "gsave"; cat "$figure"; echo; echo "grestore showpage"; } >> "$wrapped"
}

# The page of every figure is the same: check the PNG's size once.
read -r page_w page_h < <(awk -v rows="$top_row" -v max_x="$max_x" 'BEGIN {
  printf "%d %d\n", max_x / 100 * 2 + 600, 18 * (1.5 + 0.75 * (rows - 1)) + 340 }')
pixels=$(awk -v w="$page_w" -v h="$page_h" -v r="$resolution" 'BEGIN { printf "%.0f", w * h * (r / 72) ^ 2 }')
if awk -v p="$pixels" -v m="$MAX_PIXELS" 'BEGIN { exit !(p > m) }'; then
  fail "a PNG of $top_row rows at $resolution dpi would have about $pixels pixels; give a lower --resolution"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for figure in "${figures[@]}"; do
  name=$(basename "$figure")
  name=${name%.*}
  target_dir=${out_dir:-$(dirname "$figure")}
  wrap_figure "$figure" "$work/figure.eps"
  for device in pdfwrite png16m; do
    extension=pdf
    options=()
    if [[ $device == png16m ]]; then
      extension=png
      options=(-r"$resolution" -dTextAlphaBits=4 -dGraphicsAlphaBits=4)
    fi
    output="$target_dir/$name.$extension"
    [[ -d $output ]] && fail "$output is a directory; not replaced"
    if ! gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE="$device" "${options[@]}" \
        -sOutputFile="$work/render.$extension" "$work/figure.eps" > "$work/gs.log" 2>&1; then
      cat "$work/gs.log" >&2
      fail "Ghostscript could not render $figure"
    fi
    # Into place only when complete; a link at the name is replaced, not followed.
    mv -fT "$work/render.$extension" "$output" || fail "cannot write $output"
  done
  echo "render_figures: $target_dir/$name.pdf, $target_dir/$name.png" >&2
done
