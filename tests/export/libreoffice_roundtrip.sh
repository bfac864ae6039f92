#!/usr/bin/env bash
# Reads the .xls, .htm and .rtf exports back with LibreOffice and checks that every cell comes
# back as it was: Chinese text, characters whose second byte is "\", "{" or "}", the euro sign
# (0x80 in code page 936), quotes and the characters HTML escapes; and that the RTF table's
# cells keep their colours (teal titles, white data) rather than turning black. LibreOffice is
# a reader that is not ours, so this also checks the formats' byte rules the other way round.
# Skipped (exit 77) without LibreOffice.
set -euo pipefail
cli="$1"
command -v soffice >/dev/null || { echo "LibreOffice (soffice) is not installed: skipped"; exit 77; }
command -v sqlite3 >/dev/null || { echo "sqlite3 is not installed: skipped"; exit 77; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$cli" newdb "$work/db.mdb"
: > "$work/key.exe"
sqlite3 "$work/db.mdb" "insert into t_webinfo(web_id,web_name,web_address,web_login,web_time,web_endtime,web_domaintime,web_enddomaintime)
  values('20110305090703','運誠調題藍聖錦衆複獅 华东贸易 \"公司\" & <官网> €5','www.华东.com','{后台}\\admin','2010-03-01','2011-12-01','2010-03-01','2012-05-01')"
expected='20110305090703|運誠調題藍聖錦衆複獅 华东贸易 "公司" & <官网> €5|www.华东.com|{后台}\admin|2010-3-1|2011-12-1|2010-3-1|2012-5-1'
title='网站编号|网站名称|网站地址|网站后台地址|空间申请日期|空间到期日期|域名申请日期|域名到期日期'

soffice_run() { timeout 180 soffice --headless --norestore "-env:UserInstallation=file://$work/profile" "$@" >/dev/null 2>&1; }
# The CSV that LibreOffice writes (UTF-8, "|" between cells), without its quotes.
as_rows() { sed -e 's/\r$//' -e 's/^"//; s/"$//' -e 's/"|"/|/g; s/|"/|/g; s/"|/|/g' -e 's/""/"/g'; }

status=0
check() {
    local format="$1" got="$2"
    if [ "$got" = "$title"$'\n'"$expected" ]; then
        echo "$format: read back intact"
    else
        echo "$format: read back differently:"; echo "$got"; status=1
    fi
}

for format in xls htm rtf; do
    echo "" | "$cli" export --list main --format "$format" --out "$work/out.$format" --folder "$work" --password-stdin
done

soffice_run --convert-to 'csv:Text - txt - csv (StarCalc):124,34,76' --outdir "$work/xls" "$work/out.xls"
check xls "$(as_rows < "$work/xls/out.csv")"
# The export saved again by LibreOffice as an Excel 97-2003 workbook (an OLE compound file, read
# with libfreexl), and the program's own .xls, each imported into an empty register: the same list.
soffice_run --convert-to 'xls:MS Excel 97' --outdir "$work/workbook" "$work/out.xls"
for source in "$work/workbook/out.xls" "$work/out.xls"; do
    fresh="$(mktemp -d "$work/fresh.XXXX")"
    "$cli" newdb "$fresh/db.mdb"
    : > "$fresh/key.exe"
    echo "" | "$cli" import "$source" --folder "$fresh" --password-stdin >/dev/null
    if [ "$(echo "" | "$cli" list --folder "$fresh" --password-stdin --format csv)" = \
         "$(echo "" | "$cli" list --folder "$work" --password-stdin --format csv)" ]; then
        echo "import of $(basename "$(dirname "$source")")/$(basename "$source"): the same list"
    else
        echo "import of $source: another list"; status=1
    fi
done
soffice_run --infilter="HTML (StarCalc)" --convert-to 'csv:Text - txt - csv (StarCalc):124,34,76' \
    --outdir "$work/htm" "$work/out.htm"
check htm "$(as_rows < "$work/htm/out.csv")"
# The word processor writes one table cell per line.
soffice_run --convert-to 'txt:Text (encoded):UTF8' --outdir "$work/rtf" "$work/out.rtf"
rtf_cells="$(sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' "$work/rtf/out.txt" | sed '/^$/d' | paste -sd'|')"
check rtf "$(echo "$rtf_cells" | cut -d'|' -f1-8)"$'\n'"$(echo "$rtf_cells" | cut -d'|' -f9-16)"
# The table's cell colours as the word processor reads them: 8 teal titles, 8 white cells.
soffice_run --convert-to html --outdir "$work/rtf-html" "$work/out.rtf"
colours="$(grep -io 'bgcolor="#[0-9a-f]*"' "$work/rtf-html/out.html" | tr 'A-F' 'a-f' | sort | uniq -c | tr -s ' ' | paste -sd',')"
if [ "$colours" = ' 8 bgcolor="#008080", 8 bgcolor="#ffffff"' ]; then
    echo "rtf: cell colours kept"
else
    echo "rtf: cell colours read as: $colours"; status=1
fi
exit $status
