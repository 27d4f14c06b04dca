# Sourced by the comparing benchmarks (from the project root): a clock and the median of numbers.
now_ns() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
