#!/usr/bin/env bash
# Dependencies point one way: a folder includes only folders of a lower rank
# (and itself). Folders of the same rank do not include each other, so no
# cycle can form. An include names its folder ("softplc/Blocks.h"); a bare
# name must be a header beside the including file. Prints every offending
# include and fails when there is one.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
declare -A rank=(
  [base]=0
  [controllers]=1
  [simulation]=2 [tuning]=2
  [codegen]=3 [online]=3 [report]=3 [wizard]=3 [softplc]=3
  [plugin]=4
  [host]=5 [cli]=5
)
folder_of() {  # src/<folder>/..., host/softplc/..., host/..., cli/...
  case $1 in
    src/*) local rest=${1#src/}; echo "${rest%%/*}" ;;
    host/softplc/*) echo softplc ;;
    host/*) echo host ;;
    cli/*) echo cli ;;
  esac
}
bad=0
cd "$root"
while IFS= read -r file; do
  from=$(folder_of "$file")
  [ -n "$from" ] && [ -n "${rank[$from]+x}" ] || continue
  while IFS= read -r inc; do
    if [[ $inc != */* ]]; then
      if [ ! -e "$(dirname "$file")/$inc" ]; then
        echo "$file includes \"$inc\": not beside it; name its folder (\"folder/$inc\")"
        bad=1
      fi
      continue
    fi
    case $inc in host/softplc/*) to=softplc ;; host/*) to=host ;; *) to=${inc%%/*} ;; esac
    [ -n "${rank[$to]+x}" ] || continue
    [ "$to" = "$from" ] && continue
    if (( ${rank[$to]} >= ${rank[$from]} )); then
      echo "$file includes \"$inc\": $from (rank ${rank[$from]}) may not depend on $to (rank ${rank[$to]})"
      bad=1
    fi
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^"]+)".*/\1/p' "$file")
done < <(find src host cli -name '*.cpp' -o -name '*.h' | sort)
exit $bad
