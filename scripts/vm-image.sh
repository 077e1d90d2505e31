#!/bin/bash
# The test VM, where the i686 build runs for real: our machines' kernels run no 32-bit
# programs, so a Debian 12 root file system with 32-bit Wine and Xvfb is booted with
# Debian's own amd64 kernel under qemu-system-x86_64 (software emulation, no KVM needed).
#
#   scripts/vm-image.sh          builds the image when it is missing or outdated, then
#                                prints its folder
#   source scripts/vm-image.sh   (scripts/vm-run.sh) defines kv_vm_image and kv_vm_boot
#
# The image is cached outside the clone, in $KV_VM_CACHE (default ~/.cache/kvsetup-vm), in
# a folder named by a hash of this script and of scripts/wine-env.sh: a later run on the
# same machine reuses it, and a change to either, other than to a comment, builds a new
# one. Everything in it comes from Debian's packages, fetched from the archive this
# machine's apt uses. Building needs root (debootstrap, chroot); it takes several minutes,
# once.
#
# The image holds:
#   root.img     the root file system (ext4, no partition table); runs open it with
#                snapshot=on, so it stays as built
#   vmlinuz, initrd.img   the kernel and initramfs installed in it
# and, inside root.img, the VM's PID 1 (/sbin/kv-vm-init, below) and a Wine prefix made
# once at build time in the VM itself (/opt/kvwine), so runs need not create one.

kv_vm_script=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/vm-image.sh
kv_vm_release=bookworm
# The guest's packages: the kernel, 32-bit Wine, a display for it (Wine cannot create the
# program's windows without one) and ctest to run the test programs as on the host.
kv_vm_packages=(linux-image-amd64 wine wine32:i386 xvfb xauth cmake procps iproute2)
kv_vm_prefix=/opt/kvwine

# The VM's PID 1. It mounts the kernel's file systems, mounts the work disk (the second
# disk, made by kv_vm_work_disk) and binds each folder or file of its tree/ at
# the same absolute path that the file list paths names, runs its guest.sh with the output
# on the console and in out/console, writes the exit code to out/rc, and powers off.
kv_vm_init=$(cat <<'INIT'
#!/bin/bash
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
export WINEARCH=win32 WINEPREFIX=@PREFIX@
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sysfs /sys
mountpoint -q /dev || mount -t devtmpfs devtmpfs /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts -o gid=5,mode=620 devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
stty -onlcr </dev/console
# No network card; the loop-back interface and a host name Wine can resolve.
hostname kvvm
ip link set lo up
mkdir -p /kvwork
if mount /dev/vdb /kvwork; then
  mkdir -p /kvwork/out
  while IFS= read -r path; do
    if [ -d "/kvwork/tree$path" ]; then
      mkdir -p "$path"
    else
      mkdir -p "$(dirname "$path")" && touch "$path"
    fi
    mount --bind "/kvwork/tree$path" "$path"
  done < <(cat /kvwork/paths 2>/dev/null)
  bash /kvwork/guest.sh </dev/null 2>&1 | tee /kvwork/out/console >/dev/console
  echo "${PIPESTATUS[0]}" >/kvwork/out/rc
else
  echo "kv-vm-init: no work disk" >/dev/console
fi
# Whatever the run left behind ends here, so that both disks can be closed cleanly.
kill -KILL -1 2>/dev/null
sleep 1
grep ' /kvwork' /proc/mounts | cut -d' ' -f2 | sort -r | xargs -r -n1 umount
sync
mount -o remount,ro /
echo o >/proc/sysrq-trigger
sleep 60
INIT
)

# The build's key: what decides the image's contents. Comments do not.
kv_vm_key()
{
  cat "$kv_vm_script" "$(dirname "$kv_vm_script")/wine-env.sh" | grep -v '^[[:space:]]*#' |
    sha256sum | cut -c1-16
}

kv_vm_cache()
{
  echo "${KV_VM_CACHE:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/kvsetup-vm}"
}

# Boots the image with a work disk. Usage: kv_vm_boot IMAGE_DIR WORK_IMG SNAPSHOT SECONDS
# SNAPSHOT "on" leaves root.img untouched; "off" keeps what the run changed in it. The
# console shows on standard output; past SECONDS the VM is stopped (status 124).
# -cpu max would do, but its SMAP makes every 32-bit Wine process crash at once in QEMU 7.2.
kv_vm_boot()
{
  local image=$1 work=$2 snapshot=$3 seconds=$4
  timeout --kill-after=10 "$seconds" qemu-system-x86_64 \
    -accel tcg,thread=multi -cpu max,-smap -smp 2 -m 3072 \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append "root=/dev/vda rw init=/sbin/kv-vm-init console=ttyS0 quiet loglevel=3 panic=-1" \
    -drive "file=$image/root.img,format=raw,if=virtio,snapshot=$snapshot" \
    -drive "file=$work,format=raw,if=virtio" \
    -nodefaults -display none -serial stdio -monitor none -nic none -no-reboot </dev/null
}

# Makes a work disk from a folder laid out as kv-vm-init expects (guest.sh, paths, tree/),
# with room for what the run writes. Usage: kv_vm_work_disk FOLDER IMG
# mkfs.ext4 -d names every file it copies on standard output, even with -q: that goes to
# standard error, since callers of kv_vm_image capture its standard output as the image's
# folder.
kv_vm_work_disk()
{
  local size
  size=$(du -sm "$1" | cut -f1)
  mkfs.ext4 -q -F -L kvwork -d "$1" "$2" "$((size + 1024))M" >&2
}

# The Debian archive's address as this machine's apt has it, for one suite of the release.
kv_vm_mirror()
{
  apt-cache policy | awk -v suite="$1" '
    $1 ~ /^[0-9]+$/ && $2 ~ /^(https?|file):/ { uri = $2 }
    /release / && /o=Debian/ && index($0, "n=" suite ",") { print uri; exit }'
}

# Builds the image into the folder $1.
kv_vm_build()
{
  local dest=$1 root=$1/root log=$1/build.log mirror security
  mirror=$(kv_vm_mirror "$kv_vm_release")
  security=$(kv_vm_mirror "$kv_vm_release-security")
  if [ -z "$mirror" ]; then
    echo "vm-image: this machine's apt lists no Debian $kv_vm_release archive" >&2
    return 1
  fi
  echo "vm-image: debootstrap $kv_vm_release (log: $log)" >&2
  debootstrap --variant=minbase --arch=amd64 "$kv_vm_release" "$root" "$mirror" >"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; return 1; }

  {
    echo "deb $mirror $kv_vm_release main"
    echo "deb $mirror $kv_vm_release-updates main"
    [ -z "$security" ] || echo "deb $security $kv_vm_release-security main"
  } >"$root/etc/apt/sources.list"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  printf '127.0.0.1 localhost kvvm\n' >"$root/etc/hosts"
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  echo "vm-image: installing ${kv_vm_packages[*]}" >&2
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  local status=0
  # An archive caught in the middle of a sync serves a security index that does not match
  # its Release file, and apt-get update then fails; it is tried once more, and then
  # without the security archive: the image, which has no network, is built from the
  # release and its updates alone, and says so.
  DEBIAN_FRONTEND=noninteractive chroot "$root" /bin/sh -ec "
    dpkg --add-architecture i386
    if ! apt-get update -qq && ! apt-get update -qq; then
      grep -q ' $kv_vm_release-security ' /etc/apt/sources.list
      sed -i '/ $kv_vm_release-security /d' /etc/apt/sources.list
      echo 'vm-image: without the security archive, whose indexes could not be read'
      apt-get update -qq
    fi
    apt-get install -y -qq --no-install-recommends ${kv_vm_packages[*]}
    apt-get clean
    rm -rf /var/lib/apt/lists/*" >>"$log" 2>&1 || status=$?
  umount "$root/sys" "$root/proc"
  grep '^vm-image: ' "$log" >&2 || true
  [ "$status" -eq 0 ] || { tail -n 20 "$log" >&2; return 1; }
  rm -f "$root/usr/sbin/policy-rc.d"
  : >"$root/etc/resolv.conf"

  printf '%s\n' "${kv_vm_init//@PREFIX@/$kv_vm_prefix}" >"$root/sbin/kv-vm-init"
  chmod 755 "$root/sbin/kv-vm-init"
  cp "$(ls "$root"/boot/vmlinuz-* | sort -V | tail -n 1)" "$dest/vmlinuz"
  cp "$(ls "$root"/boot/initrd.img-* | sort -V | tail -n 1)" "$dest/initrd.img"
  echo "vm-image: making the root file system" >&2
  mkfs.ext4 -q -F -L kvroot -d "$root" "$dest/root.img" 4G >>"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; return 1; }
  rm -rf "$root"

  # The Wine prefix is made in the VM itself, inside Xvfb as on the host.
  echo "vm-image: making the Wine prefix in the VM" >&2
  local bake=$dest/bake
  mkdir -p "$bake"
  cp "$(dirname "$kv_vm_script")/wine-env.sh" "$bake/wine-env.sh"
  cat >"$bake/guest.sh" <<'GUEST'
cd /kvwork
xvfb-run -a -s "-screen 0 1024x768x24" bash -c 'source ./wine-env.sh && kv_prepare_prefix'
test -f "$WINEPREFIX/system.reg" && echo "vm-image: prefix $WINEPREFIX ready"
GUEST
  kv_vm_work_disk "$bake" "$dest/bake.img"
  kv_vm_boot "$dest" "$dest/bake.img" off 1200 >>"$log" 2>&1
  local rc
  rc=$(debugfs -R "cat /out/rc" "$dest/bake.img" 2>/dev/null)
  rm -rf "$bake" "$dest/bake.img"
  if [ "$rc" != 0 ]; then
    echo "vm-image: making the Wine prefix failed (code ${rc:-none})" >&2
    tail -n 20 "$log" >&2
    return 1
  fi
  e2fsck -f -y "$dest/root.img" >>"$log" 2>&1 || [ $? -le 1 ] || return 1
}

# Prints the image's folder, building it first when missing or outdated. One build at a
# time per cache; older images are removed once the new one is ready. Its standard output
# is that folder alone: everything the build prints goes to standard error or its log.
kv_vm_image()
{
  local cache key
  cache=$(kv_vm_cache)
  key=$(kv_vm_key)
  mkdir -p "$cache"
  (
    flock 9
    if [ ! -f "$cache/$key/ready" ]; then
      if [ "$(id -u)" -ne 0 ]; then
        echo "vm-image: building the image needs root" >&2
        exit 1
      fi
      local tmp=$cache/$key.new
      # A build stopped half-way may have left the chroot's mounts behind.
      umount "$tmp/root/sys" "$tmp/root/proc" 2>/dev/null
      if grep -q " $tmp/" /proc/mounts; then
        echo "vm-image: $tmp still has mounts; not removing it" >&2
        exit 1
      fi
      rm -rf "$tmp"
      mkdir -p "$tmp"
      local started=$SECONDS
      kv_vm_build "$tmp" || { echo "vm-image: build failed; see $tmp/build.log" >&2; exit 1; }
      touch "$tmp/ready"
      find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name "$key.new" -exec rm -rf {} +
      mv "$tmp" "$cache/$key"
      echo "vm-image: built $cache/$key in $((SECONDS - started)) s" >&2
    fi
  ) 9>"$cache/lock" >&2 || return 1
  echo "$cache/$key"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  kv_vm_image
fi
