/* The first and only process of the throw-away test machine that tools/guest-run boots.
 *
 * It loads the modules the initramfs carries, builds the guest's root from the host's own root
 * (shared read-only over 9p, under a tmpfs overlay that takes every write), mounts the work folder
 * read-write at the path it has on the host (wherever that is, the guest's own /tmp included), runs
 * the one program it finds in the report share (a script), writes the command's exit status there
 * and powers the machine off. Anything that goes wrong is written to the console, and the machine
 * powers off without a status: the host then reports the failure. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/reboot.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

/* 9p shares: msize raises the transfer unit from its small default, which makes reading the
 * host's programs and libraries several times faster. cache=loose is needed on the work share too:
 * with cache=mmap, programs built on the host just before the boot run as zeroed pages. */
#define NINEP "trans=virtio,version=9p2000.L,msize=524288"

static void Fail(const char* format, ...) {
  char message[512];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);
  int console = open("/dev/console", O_WRONLY | O_NOCTTY);
  if (console >= 0) {
    dprintf(console, "guest init: %s (%s)\n", message, strerror(errno));
    close(console);
  }
  sync();
  reboot(RB_POWER_OFF);
  _exit(1);
}

static void MakeDir(const char* path) {
  if (mkdir(path, 0755) != 0 && errno != EEXIST) Fail("mkdir %s", path);
}

/* Makes `path` and the folders above it that are missing. */
static void MakePath(const char* path) {
  char partial[4200];
  snprintf(partial, sizeof partial, "%s", path);
  for (char* slash = strchr(partial + 1, '/'); slash; slash = strchr(slash + 1, '/')) {
    *slash = 0;
    MakeDir(partial);
    *slash = '/';
  }
  MakeDir(partial);
}

static void Mount(const char* source, const char* target, const char* type, unsigned long flags,
                  const char* options) {
  MakeDir(target);
  if (mount(source, target, type, flags, options) != 0) Fail("mount %s on %s", type, target);
}

/* /modules/order names the modules one per line, each after the ones it depends on. */
static void LoadModules(void) {
  FILE* order = fopen("/modules/order", "r");
  if (!order) Fail("open /modules/order");
  char name[256];
  while (fgets(name, sizeof name, order)) {
    name[strcspn(name, "\n")] = 0;
    if (!name[0]) continue;
    char path[300];
    snprintf(path, sizeof path, "/modules/%s", name);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("open %s", path);
    if (syscall(SYS_finit_module, fd, "", 0) != 0 && errno != EEXIST) Fail("load %s", name);
    close(fd);
  }
  fclose(order);
}

/* The work folder's path, the only line of work-path in the report share. */
static void ReadWorkPath(char* path, size_t size) {
  FILE* file = fopen("/report/work-path", "r");
  if (!file || !fgets(path, (int)size, file)) Fail("read /report/work-path");
  fclose(file);
  path[strcspn(path, "\n")] = 0;
  if (path[0] != '/') Fail("work path is not absolute: %s", path);
}

int main(void) {
  Mount("devtmpfs", "/dev", "devtmpfs", 0, NULL);
  Mount("proc", "/proc", "proc", 0, NULL);
  LoadModules();
  Mount("report", "/report", "9p", 0, NINEP);
  char work[4096];
  ReadWorkPath(work, sizeof work);

  Mount("hostroot", "/lower", "9p", MS_RDONLY, NINEP ",cache=loose");
  Mount("tmpfs", "/layer", "tmpfs", 0, "mode=0755");
  MakeDir("/layer/upper");
  MakeDir("/layer/work");
  /* The host's own /proc, /sys and /dev must not show through: with cache=loose their 9p inodes
   * collide with the guest's, and the guest's /proc reads empty. Opaque directories hide them. */
  static const char* const kGuestOnly[] = {"proc", "sys", "dev", "run", "tmp", "mnt"};
  for (size_t i = 0; i < sizeof kGuestOnly / sizeof kGuestOnly[0]; ++i) {
    char path[64];
    snprintf(path, sizeof path, "/layer/upper/%s", kGuestOnly[i]);
    MakeDir(path);
    if (setxattr(path, "trusted.overlay.opaque", "y", 1, 0) != 0) Fail("mark %s opaque", path);
  }
  Mount("overlay", "/root", "overlay", 0,
        "lowerdir=/lower,upperdir=/layer/upper,workdir=/layer/work");

  Mount("proc", "/root/proc", "proc", 0, NULL);
  Mount("sysfs", "/root/sys", "sysfs", 0, NULL);
  Mount("devtmpfs", "/root/dev", "devtmpfs", 0, NULL);
  Mount("devpts", "/root/dev/pts", "devpts", 0, "ptmxmode=0666");
  Mount("tmpfs", "/root/dev/shm", "tmpfs", 0, "mode=1777");
  Mount("tmpfs", "/root/tmp", "tmpfs", 0, "mode=1777");
  Mount("tmpfs", "/root/run", "tmpfs", 0, "mode=0755");

  /* The work folder goes on last, so that no mount hides it, at a mount point made for it: in the
   * overlay, or in the guest's own /tmp when the work folder lies in the host's. */
  char target[4200];
  snprintf(target, sizeof target, "/root%s", work);
  MakePath(target);
  if (mount("work", target, "9p", 0, NINEP ",cache=loose") != 0) Fail("mount work on %s", target);
  MakeDir("/root/mnt/report");
  if (mount("/report", "/root/mnt/report", NULL, MS_MOVE, NULL) != 0) Fail("move /report");
  if (chroot("/root") != 0 || chdir("/") != 0) Fail("chroot");

  pid_t child = fork();
  if (child < 0) Fail("fork");
  if (child == 0) {
    setsid();
    int input = open("/dev/null", O_RDONLY);
    int output = open("/mnt/report/output", O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
    if (input < 0 || output < 0) Fail("open the command's input and output");
    dup2(input, 0);
    dup2(output, 1);
    dup2(output, 2);
    execl("/mnt/report/command", "command", (char*)NULL);
    Fail("exec /mnt/report/command");
  }

  /* As process 1 this also reaps every orphan, until the command itself ends. */
  int status = 0;
  for (;;) {
    pid_t ended = wait(&status);
    if (ended == child) break;
    if (ended < 0 && errno != EINTR) Fail("wait");
  }
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  FILE* report = fopen("/mnt/report/status.part", "w");
  if (!report) Fail("write the status");
  fprintf(report, "%d\n", code);
  fclose(report);
  rename("/mnt/report/status.part", "/mnt/report/status");
  sync();
  reboot(RB_POWER_OFF);
  return 0;
}
