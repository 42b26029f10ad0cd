#!/usr/bin/env bash
# Checks a klvc program against its man page and bash completion:
# every option its --help texts list is in the man page, man renders the page
# without a warning, and the completion completes "klvc send-all --pa".
# Usage: check_docs.sh KLVC MANPAGE[.gz] COMPLETION
set -uo pipefail
klvc=$1 page=$2 completion=$3
fail=0

options=$(for c in "" send-all file simulate ports; do "$klvc" $c --help; done |
          grep -o -- '--[a-z][a-z0-9-]*' | sort -u)
[ -n "$options" ] || { echo "no options found in $klvc's --help"; exit 1; }
text=$(if [[ $page == *.gz ]]; then gzip -dc "$page"; else cat "$page"; fi | sed 's/\\-/-/g')
for o in $options; do
  grep -q -- "$o\\b" <<<"$text" || { echo "$page does not name $o (from --help)"; fail=1; }
done

if command -v man >/dev/null 2>&1; then
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "man --warnings on $page:"; echo "$warnings"; fail=1; }
else
  echo "note: man is not installed; the page was not rendered"
fi

got=$(bash -c '
  source "$1"
  COMP_WORDS=(klvc send-all --pa) COMP_CWORD=2 COMP_LINE="klvc send-all --pa" COMP_POINT=18
  _klvc && echo "${COMPREPLY[*]}"' _ "$completion")
[ "$got" = "--pace" ] || { echo "completing 'klvc send-all --pa' gave '$got', not '--pace'"; fail=1; }
exit $fail
