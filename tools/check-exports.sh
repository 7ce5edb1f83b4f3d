#!/usr/bin/env bash
# Checks the export table of a built or installed libVeroZerizaz.so:
#  - nothing declared in a src/*/detail/ folder is exported: no symbol that an object compiled from
#    a detail/ source defines, and no symbol of a class defined in a detail/ header;
#  - the public entry points are exported.
# Usage: tools/check-exports.sh <libVeroZerizaz.so> <build folder that compiled it>
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 <libVeroZerizaz.so> <build folder>" >&2
  exit 2
fi
library="$1"
build="$2"
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0

nm -D --defined-only --format=posix "$library" | awk '{print $1}' | sort -u >"$work/exported"
if [ ! -s "$work/exported" ]; then
  echo "no exported symbols in $library" >&2
  exit 1
fi

# 1. Out-of-line definitions compiled from detail/ sources.
mapfile -t detail_objects < <(find "$build" -path '*/vz_objects.dir/*' -path '*/detail/*' -name '*.o')
if [ ${#detail_objects[@]} -eq 0 ]; then
  echo "no objects of detail/ sources under $build" >&2
  exit 1
fi
nm -g --defined-only --format=posix "${detail_objects[@]}" 2>/dev/null |
  awk 'NF >= 2 && $2 ~ /^[TDBR]$/ {print $1}' | sort -u >"$work/detail_definitions"
comm -12 "$work/exported" "$work/detail_definitions" >"$work/leaked"
if [ -s "$work/leaked" ]; then
  echo "exported definitions from detail/ sources:"
  c++filt <"$work/leaked" | sed 's/^/  /'
  failed=1
fi

# 2. Members, vtables and type information of classes defined in detail/ headers. Only the entity
#    that a symbol names counts (its qualified name up to the parameter list), not its parameters.
classes="$(grep -hoE '^(template <[^>]*> )?(class|struct) (VZ_HIDDEN )?[A-Za-z_][A-Za-z0-9_:]*( final)?( :[^:].*| *\{.*)?$' \
  "$root"/src/*/detail/*.h | sed -E 's/^(template <[^>]*> )?(class|struct) (VZ_HIDDEN )?//; s/^([A-Za-z0-9_:]*).*/\1/; s/.*:://' |
  sort -u | paste -sd'|')"
c++filt <"$work/exported" |
  awk '{
    s = $0
    sub(/^(vtable|typeinfo name|typeinfo|VTT|construction vtable|guard variable) for /, "", s)
    gsub(/operator(<<|>>|<=|>=|<|>|\(\))/, "operator", s)
    depth = 0; owner = ""
    for (i = 1; i <= length(s); i++) {
      c = substr(s, i, 1)
      if (c == "<") depth++
      else if (c == ">") depth--
      else if (c == "(" && depth == 0) break
      owner = owner c
    }
    print owner "\t" $0
  }' >"$work/owners"
if [ -n "$classes" ] && grep -E "^[^	]*(^|[^A-Za-z0-9_])($classes)([^A-Za-z0-9_]|$)" "$work/owners" >"$work/detail_classes"; then
  echo "exported symbols of classes from detail/ headers:"
  cut -f2 "$work/detail_classes" | sed 's/^/  /'
  failed=1
fi

# 3. The public entry points.
c++filt <"$work/exported" >"$work/demangled"
for entry in \
  'MUserOperatorCollisionDetectorWithTolerance::Operate()' \
  'MUserOperatorCollisionDetectorWithToleranceMultipart::Operate()' \
  'MUserOperatorWallThickness::Operate()' \
  'MeshQueries::TrianglesGroupBBox3D::Intersect(' \
  'MeshQueries::TriangleDistanceSqr(' \
  'MeshQueries::ToleranceQuery::ElementDistance(' \
  'MeshQueries::SegmentParameter(' \
  'Zodara::Rudizidov::MTriangleQualityCalculator::GetNumberOfBadTriangles(' \
  'Zodara::Rudizidov::MTriangleQualityCalculator::GetTriangleShapeQuality(' \
  'MeshQueriesMutable::MStl3DTriangleTreeMutableManager::UpdateTree()' \
  'MeshQueriesMutable::M3DTriangleTreeMutable<' \
  'MeshQueries::WrapperTreeUtilities::IntersectionCheckerVerticalInfiniteCone::GetIntersection(' \
  'Zodara::GraphRStarTree::GraphRStarTree(' \
  'Zodara::GraphElementInfo::GraphElementInfo(' \
  'Zodara::RStarTree<double, 3ul, MStlGraphEdge const*, 5ul>::Print(' \
  'Zodara::geometricsearches::GetPoreSizes(' \
  'Zodara::geometricsearches::GetPoreSizesRTK(' \
  'Zodara::geometricsearches::util::GetBoundingBox(' \
  'Zodara::geometricsearches::util::GetDistance(' \
  'Zodara::geometricsearches::operator<<(' \
  'SphereSplitTree::GetValue('; do
  if ! grep -qF "$entry" "$work/demangled"; then
    echo "not exported: $entry"
    failed=1
  fi
done
keys="$(grep -cE '^unsigned long GetDepTypeIndex<.*>\(MStlBase const\*\)$' "$work/demangled" || true)"
if [ "$keys" -ne 19 ]; then
  echo "expected 19 exported GetDepTypeIndex instances, found $keys"
  failed=1
fi

if [ "$failed" -ne 0 ]; then
  echo "export check failed for $library" >&2
  exit 1
fi
echo "exports: $(wc -l <"$work/exported") symbols, none from detail/, public entry points present"
