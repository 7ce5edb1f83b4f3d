#!/usr/bin/env bash
# The example program as a user runs it: outputs and refusals. Usage: meshanalysis_cli_test.sh PROGRAM
set -u
program="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# An unwritable output path: one line on stderr, nothing on stdout, exit code 1, no work done.
"$program" thickness --csv /no/such/folder/x.csv >"$dir/out" 2>"$dir/err"
[ $? -eq 1 ] || fail "unwritable path: exit code"
[ ! -s "$dir/out" ] || fail "unwritable path: printed to stdout"
[ "$(wc -l <"$dir/err")" -eq 1 ] && grep -q "cannot write /no/such/folder/x.csv" "$dir/err" ||
  fail "unwritable path: message $(cat "$dir/err")"

# An empty file name is refused rather than read as the built-in part.
for command in summary thickness quality collision; do
  "$program" $command "" >"$dir/out" 2>"$dir/err"
  [ $? -eq 2 ] && [ ! -s "$dir/out" ] || fail "$command with an empty file name"
done

# Every output of the thickness command, with the JSON report on stdout.
"$program" thickness --png "$dir/t.png" --ply "$dir/t.ply" --vtk "$dir/t.vtk" --csv "$dir/t.csv" --json \
  >"$dir/out" 2>"$dir/err" || fail "thickness with every output: exit code"
[ "$(wc -l <"$dir/out")" -eq 1 ] && grep -q '^{"command":"thickness",.*"files":{.*}}$' "$dir/out" ||
  fail "thickness JSON: $(cat "$dir/out")"
[ ! -s "$dir/err" ] || fail "thickness --json drew progress or errors: $(cat "$dir/err")"
for f in t.png t.ply t.vtk t.csv; do [ -s "$dir/$f" ] || fail "thickness did not write $f"; done
head -c 8 "$dir/t.png" | od -An -c | grep -q 'P   N   G' || fail "t.png is no PNG"
[ "$(head -n 1 "$dir/t.ply")" = ply ] || fail "t.ply is no PLY"
triangles="$(grep -o '"triangles":[0-9]*' "$dir/out" | head -n 1 | cut -d: -f2)"
[ "$(wc -l <"$dir/t.csv")" -eq "$((triangles + 1))" ] ||
  fail "t.csv does not have one row per triangle"

# The same path twice is refused before anything is written.
"$program" quality --csv "$dir/same" --ply "$dir/same" >/dev/null 2>&1
[ $? -eq 2 ] && [ ! -e "$dir/same" ] || fail "the same output twice"

# JSON from the subcommands without per-triangle outputs.
"$program" summary --json | grep -q '^{"command":"summary",.*}$' || fail "summary --json"
"$program" pores --cells 1 --grid 9 --json | grep -q '^{"command":"pores",.*}$' || fail "pores --json"

# Two 10 mm cubes side by side (ASCII STL, outward normals, two triangles a face): every triangle
# of a cube reaches the shared plane except the two of its far face, so 10 of 12 are hits on each.
cube() {
  echo "solid cube"
  local f
  for f in "0 0 0 0 10 0 0 10 10" "0 0 0 0 10 10 0 0 10" "10 0 0 10 0 10 10 10 10" "10 0 0 10 10 10 10 10 0" \
    "0 0 0 0 0 10 10 0 10" "0 0 0 10 0 10 10 0 0" "0 10 0 10 10 0 10 10 10" "0 10 0 10 10 10 0 10 10" \
    "0 0 0 10 0 0 10 10 0" "0 0 0 10 10 0 0 10 0" "0 0 10 0 10 10 10 10 10" "0 0 10 10 10 10 10 0 10"; do
    set -- $f
    printf 'facet normal 0 0 0\nouter loop\nvertex %s %s %s\nvertex %s %s %s\nvertex %s %s %s\nendloop\nendfacet\n' "$@"
  done
  echo "endsolid cube"
}
cube >"$dir/cube.stl"
"$program" collision "$dir/cube.stl" "$dir/cube.stl" --move-b 10,0,0 --tolerance 0.1 --ply "$dir/c.ply" --json \
  >"$dir/out" 2>"$dir/err" || fail "collision of two cubes: exit code, $(cat "$dir/err")"
grep -q '"parts":\[{[^{}]*"hit_triangles":10,[^{}]*},{[^{}]*"hit_triangles":10,[^{}]*"move_mm":\[10,0,0\][^{}]*}\],"pairs":\[\[0,1\]\]' "$dir/out" ||
  fail "collision JSON: $(cat "$dir/out")"
grep -aq '^element face 24$' "$dir/c.ply" && grep -aq '^property uchar hit$' "$dir/c.ply" ||
  fail "collision PLY header"
"$program" multipart "$dir/cube.stl" "$dir/cube.stl" --move 10.2,0,0 --tolerance 0.1 --json | grep -q '"pairs":\[\]' ||
  fail "multipart of two cubes 0.2 mm apart"

if [ $failures -eq 0 ]; then echo "meshanalysis command line: all checks passed"; fi
exit $((failures > 0))
