/* The floor that `namefold rename --apply` is measured against: the same renames made by a
 * plain loop of renameat2(RENAME_NOREPLACE) calls, each folder opened once. Reads records of
 * "FOLDER\0OLD\0NEW\0" from standard input; exits 1 on the first rename that fails. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char* Field(char** at, char* end) {
  char* start = *at;
  char* zero = memchr(start, 0, (size_t)(end - start));
  if (zero == NULL) return NULL;
  *at = zero + 1;
  return start;
}

int main(void) {
  size_t size = 0, room = 1 << 20;
  char* bytes = malloc(room);
  for (size_t n; bytes != NULL && (n = fread(bytes + size, 1, room - size, stdin)) > 0;) {
    size += n;
    if (size == room) bytes = realloc(bytes, room *= 2);
  }
  if (bytes == NULL) return 1;
  char *at = bytes, *end = bytes + size, *open_name = NULL;
  int dir = -1;
  for (char *folder, *from, *to; (folder = Field(&at, end)) && (from = Field(&at, end)) &&
                                 (to = Field(&at, end));) {
    if (open_name == NULL || strcmp(open_name, folder) != 0) {
      if (dir >= 0) close(dir);
      dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      open_name = folder;
    }
    if (renameat2(dir, from, dir, to, RENAME_NOREPLACE) != 0) {
      perror(from);
      return 1;
    }
  }
  return 0;
}
