# load_factor: the load per processor over the last minute, rounded up, at
# least 1. A wait's bound is multiplied by it: a run beside a build or other
# runs is slower, not broken. Sourced by the X server wrapper and the
# end-to-end harness.
load_factor()
{
  local load cores
  load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo 0)
  cores=$(nproc 2>/dev/null || echo 1)
  awk -v l="$load" -v c="$cores" 'BEGIN { f = int(l / c + 0.999); print (f < 1 ? 1 : f) }'
}
