# scripts/lib/apt.sh: how our scripts have apt download. Sourced by scripts/setup and
# scripts/in-debian.
#
# apt tries each failed download 5 more times, after 1, 2, 4, 8 and 16 s (it doubles the delay,
# up to its maximum): about half a minute for the network to come back. It does not retry an
# answer the mirror gives (a 503 mid-sync, seen with apt 2.6): that ends the run with apt's
# message. As "NAME=VALUE", for apt-get's -o and apt.conf alike.
apt_retries=(Acquire::Retries=5 Acquire::Retries::Delay=true Acquire::Retries::Delay::Maximum=30)
