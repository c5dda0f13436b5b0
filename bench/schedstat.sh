# Sourced by the running-monitor benchmarks.
# schedstat_ns PID: nanoseconds the process has spent on a CPU, summed over all its threads.
schedstat_ns() {
  local total=0 f v
  for f in /proc/"$1"/task/*/schedstat; do
    read -r v _ < "$f" 2> /dev/null && total=$((total + v))
  done
  echo "$total"
}
