# The latest state per machine and update from the result logs whose paths come
# one a line on standard input (from find): what an administrator would write
# without qnReport. Prints host,update,new,state,code,last_run,attempts rows.
function host_of(path,    n, part, name) {
  n = split(path, part, "/")
  name = part[n]
  if (toupper(name) == "QN.LOG" && n > 1) {
    if (toupper(part[n - 1]) == "QNLOG" && n > 2) return part[n - 2]
    return part[n - 1]
  }
  sub(/\.[lL][oO][gG]$/, "", name)
  return name
}
{
  file = $0
  host = host_of(file)
  while ((getline line < file) > 0) {
    sub(/\r$/, "", line)
    if (split(line, f, ",") != 5) continue
    key = host SUBSEP substr(f[2], 8) SUBSEP substr(f[3], 5)
    when = substr(f[1], 7, 4) "-" substr(f[1], 1, 2) "-" substr(f[1], 4, 2) " " substr(f[1], 12, 8)
    attempts[key]++
    if (when >= last[key]) {
      last[key] = when
      code[key] = substr(f[5], 12) + 0
    }
  }
  close(file)
}
END {
  for (key in code) {
    split(key, k, SUBSEP)
    c = code[key]
    state = (c == 0) ? "installed" : (c == 3010 || c == 1641) ? "restart" : "failed"
    print k[1] "," k[2] "," k[3] "," state "," c "," last[key] "," attempts[key]
  }
}
