// Signing runs the Debian-packaged osslsigncode once the payload is in
// place, so the signature covers the engine and the payload behind it. The
// certificate table goes at the end of the file, after the payload. Of what
// osslsigncode says on failure, its first line is the one to tell.
#include "tools/mksetup/sign.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>
#include "tools/mksetup/little_endian.h"

extern char** environ;

bool SignSetup(const std::string& path, const std::string& certificate, const std::string& key,
               std::string* error)
{
  const std::string signedPath = path + ".signed";
  std::remove(signedPath.c_str());
  const char* arguments[] = {"osslsigncode", "sign", "-certs", certificate.c_str(), "-key", key.c_str(),
                             "-h", "sha256", "-in", path.c_str(), "-out", signedPath.c_str(), nullptr};
  int said[2];
  if (pipe(said) != 0) {
    *error = "cannot run osslsigncode (" + std::string(strerror(errno)) + ")";
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, said[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, said[0]);
  pid_t child = 0;
  const int started = posix_spawnp(&child, "osslsigncode", &actions, nullptr, const_cast<char**>(arguments), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(said[1]);
  std::string first;  // its first line; the rest is read and dropped
  char piece[4096];
  for (ssize_t got; (got = read(said[0], piece, sizeof piece)) > 0 || (got < 0 && errno == EINTR);)
    if (got > 0 && first.size() < sizeof piece) first.append(piece, static_cast<size_t>(got));
  close(said[0]);
  first = first.substr(0, first.find('\n'));
  if (started != 0) {
    *error = "cannot run osslsigncode (" + std::string(strerror(started)) + "); install the osslsigncode package";
    return false;
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::remove(signedPath.c_str());
    *error = "osslsigncode could not sign " + path + " with " + certificate + " and " + key + (first.empty() ? "" : ": ") + first;
    return false;
  }
  if (std::rename(signedPath.c_str(), path.c_str()) != 0) {
    *error = "cannot replace " + path + " with its signed copy";
    return false;
  }
  return true;
}

uint64_t CertificateTableStart(const std::vector<unsigned char>& head, uint64_t fileSize)
{
  const size_t header = Get32(head, 0x3C);
  if (header + 24 + 2 > head.size() || Get32(head, header) != 0x00004550) return fileSize;
  const size_t optional = header + 24;
  const unsigned magic = Get16(head, optional);
  // The security entry is the fifth data directory, after 96 (PE32) or 112
  // (PE32+) bytes of fixed fields; its "address" is a file offset.
  const size_t entry = optional + (magic == 0x20B ? 112 : 96) + 4 * 8;
  const uint32_t start = Get32(head, entry);
  const uint32_t size = Get32(head, entry + 4);
  if (start == 0 || size == 0 || start > fileSize || size > fileSize - start) return fileSize;
  return start;
}
