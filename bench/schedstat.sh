# Sourced by the running-monitor benchmarks: what they share.

# prepare_home BIN [all [every-second]]: in the home the environment names, lets a first run
# write the defaults, keeps the Preferences window shut at start (a first start opens it, and
# it would be measured too) and, given "all", switches every module on. Given "every-second"
# too, every module samples on each one-second pass (by default most wait 2 to 5 passes).
# A module's item is shown while any of its display elements is on (the defaults turn on
# some of each) and VNC's while its menu is; the Launch keys only follow from those.
prepare_home() {
  local bin=$1 key
  QT_QPA_PLATFORM=offscreen "$bin" sample --passes 1 > /dev/null 2>&1
  "$bin" defaults write DisplayTopWindowAtStartup -bool false 2> /dev/null
  [[ ${2:-} == all ]] || return 0
  "$bin" defaults write DisplayOrbIcon -int 1 2> /dev/null
  "$bin" defaults write Vnc_ShowMenu -bool true 2> /dev/null
  [[ ${3:-} == every-second ]] || return 0
  for key in $("$bin" defaults read 2> /dev/null | sed -n 's/^ *\([A-Za-z]*_UpdateInterval\) = .*/\1/p'); do
    "$bin" defaults write "$key" -int 1 2> /dev/null
  done
}

# home_env DIR: makes DIR a private home (with its runtime directory) and prints the
# environment assignments that point a run at it.
home_env() {
  local home=$1
  mkdir -p "$home/run" && chmod 700 "$home/run"
  echo "HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache XDG_RUNTIME_DIR=$home/run"
}

# schedstat_ns PID: nanoseconds the process has spent on a CPU, summed over all its threads.
schedstat_ns() {
  local total=0 f v
  for f in /proc/"$1"/task/*/schedstat; do
    read -r v _ < "$f" 2> /dev/null && total=$((total + v))
  done
  echo "$total"
}
