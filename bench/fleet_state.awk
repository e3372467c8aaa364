# The latest state per machine and version from the result logs whose paths
# come one a line on standard input (from find): what an administrator would
# write without qnReport, for a fleet with one log per machine. The log is only
# appended to, so a machine's last line of a version is its latest attempt.
# Prints host,update,new,state,code,last_run,attempts rows.
function host_of(path,    n, part, name, i) {
  n = split(path, part, "/")
  name = part[n]
  if (toupper(name) ~ /^QN.*\.LOG$/) {
    for (i = n - 1; i > 0; i--) {
      if (toupper(part[i]) != "QNLOG" && part[i] !~ /^([A-Za-z]|ADMIN)\$$/) return part[i]
    }
  }
  sub(/\.[lL][oO][gG]$/, "", name)
  return name
}
{
  file = $0
  host = host_of(file)
  while ((getline line < file) > 0) {
    sub(/\r$/, "", line)
    if (split(line, f, ",") != 5 || line !~ / $/) continue
    key = toupper(host) SUBSEP substr(f[3], 5)
    name[key] = host
    when = substr(f[1], 7, 4) "-" substr(f[1], 1, 2) "-" substr(f[1], 4, 2) " " substr(f[1], 12, 8)
    attempts[key]++
    last[key] = when
    update[key] = substr(f[2], 8)
    code[key] = substr(f[5], 12) + 0
  }
  close(file)
}
END {
  for (key in code) {
    split(key, k, SUBSEP)
    c = code[key]
    state = (c == 0) ? "installed" : (c == 3010 || c == 1641) ? "restart" : "failed"
    print name[key] "," update[key] "," k[2] "," state "," c "," last[key] "," attempts[key]
  }
}
