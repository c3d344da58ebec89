# Touches on lowdown's groff ms output, for groff's PDF device:
# - an image, which lowdown writes as its caption in bold and its file name,
#   becomes a picture (.PDFPIC, PDF files only) with the caption below it;
# - a table gets fixed column widths instead of stretched ones (text blocks
#   in stretched columns sit in the middle of them), and starts with .LP so
#   it does not inherit a heading's bold font;
# - fractions stay as typed: "1/2" is a tempo division, not a half sign.
function widths(n) {
  if (n == 2) return "1.5i 4.2i"
  if (n == 3) return "1.1i 2.5i 2.1i"
  return ""
}
function format(line, last,    n, w, i, out, f) {
  n = split(line, f, " ")
  sub(/\.$/, "", f[n])
  split(widths(n), w, " ")
  out = ""
  for (i = 1; i <= n; i++)
    out = out (i > 1 ? " " : "") f[i] (w[i] != "" ? "w(" w[i] ")" : "")
  return out (last ? "." : "")
}
/^\\fB.*\\fR \(Image: \\fI.*\\fR\)$/ {
  caption = $0; sub(/^\\fB/, "", caption); sub(/\\fR \(Image: .*$/, "", caption)
  file = $0; sub(/^.*\(Image: \\fI/, "", file); sub(/\\fR\)$/, "", file)
  print ".PDFPIC -C " file " 6i"
  print ".ce 1"
  print "\\fI" caption "\\fR"
  print ".sp 0.5"
  next
}
{ gsub(/\\\(12/, "1/2"); gsub(/\\\(14/, "1/4"); gsub(/\\\(34/, "3/4") }
/^\.TS/ { print ".LP"; print; intable = 1; next }
intable && /^tab\(/ { sub(/expand /, ""); print; next }
intable && /\.$/ { print format($0, 1); intable = 0; next }
intable { print format($0, 0); next }
{ print }
