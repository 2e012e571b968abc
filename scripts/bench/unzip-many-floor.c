/* The floor of scripts/bench/unzip-many: the same folders and files made
 * bare, with one open, write and close per file and one mkdir per folder;
 * no archive, no decompression, no checks. What the kernel must do at the
 * least for the extraction.
 *
 *   unzip-many-floor MANIFEST TARGET [MODE]
 *
 * MANIFEST has one line "SIZE RELATIVE-PATH" per file, folders first met in
 * file order; the files get SIZE bytes each. MODE says how a file reaches
 * its name, for measuring what a whole-or-absent file costs:
 *   bare     open(O_CREAT|O_EXCL), write, close (the default)
 *   rename   the same under a temporary name, then rename
 *   tmpfile  open(O_TMPFILE) in the folder, write, linkat to the name, close
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char content[1 << 16];

static void fail(const char *what, const char *path) {
  fprintf(stderr, "unzip-many-floor: %s %s: %s\n", what, path, strerror(errno));
  exit(1);
}

int main(int argc, char **argv) {
  if (argc < 3) {
    fputs("usage: unzip-many-floor MANIFEST TARGET [bare|rename|tmpfile]\n", stderr);
    return 2;
  }
  const char *mode = argc > 3 ? argv[3] : "bare";
  FILE *manifest = fopen(argv[1], "r");
  if (!manifest) fail("cannot read", argv[1]);
  if (chdir(argv[2]) != 0) fail("cannot enter", argv[2]);
  memset(content, 'x', sizeof content);
  char folder[4096] = "";
  char line[4096];
  unsigned counter = 0;
  while (fgets(line, sizeof line, manifest)) {
    line[strcspn(line, "\n")] = 0;
    char *space = strchr(line, ' ');
    if (!space) continue;
    const size_t size = strtoul(line, NULL, 10);
    const char *path = space + 1;
    const char *slash = strrchr(path, '/');
    if (slash) {
      const size_t length = (size_t)(slash - path);
      if (strlen(folder) != length || strncmp(folder, path, length) != 0) {
        memcpy(folder, path, length);
        folder[length] = 0;
        if (mkdir(folder, 0777) != 0 && errno != EEXIST) fail("cannot make", folder);
      }
    }
    char temporary[4200];
    int fd;
    if (strcmp(mode, "tmpfile") == 0) {
      fd = open(slash ? folder : ".", O_TMPFILE | O_RDWR, 0666);
    } else if (strcmp(mode, "rename") == 0) {
      snprintf(temporary, sizeof temporary, "%s%s~tmp%08x", slash ? folder : "", slash ? "/" : "", ++counter);
      fd = open(temporary, O_CREAT | O_EXCL | O_RDWR, 0666);
    } else {
      fd = open(path, O_CREAT | O_EXCL | O_RDWR, 0666);
    }
    if (fd < 0) fail("cannot create", path);
    if (size > 0 && write(fd, content, size > sizeof content ? sizeof content : size) < 0) fail("cannot write", path);
    if (strcmp(mode, "tmpfile") == 0) {
      char self[64];
      snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
      if (linkat(AT_FDCWD, self, AT_FDCWD, path, AT_SYMLINK_FOLLOW) != 0) fail("cannot link", path);
    } else if (strcmp(mode, "rename") == 0 && rename(temporary, path) != 0) {
      fail("cannot rename", path);
    }
    if (close(fd) != 0) fail("cannot close", path);
  }
  return 0;
}
