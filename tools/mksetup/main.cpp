// mksetup: builds a setup executable from a product manifest and the
// engine's image, and lists what a setup executable carries.
//
//   mksetup build product.toml -o setup.exe [--engine setup.exe] [--uninstaller FILE] [--span] [--sign CERT KEY]
//   mksetup list setup.exe
//   mksetup --version
// The engine and the uninstaller are taken from ../share/mksetup beside an
// installed mksetup, else from the build tree that made it. SOURCE_DATE_EPOCH,
// when set, is the latest file time the setup records. The output appears
// whole when the build succeeds and not at all otherwise.
#include <CLI/CLI.hpp>
#include <sys/stat.h>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include "install/log_format.h"
#include "payload/walk.h"
#include "tools/mksetup/images.h"
#include "tools/mksetup/interrupt.h"
#include "tools/mksetup/manifest.h"
#include "tools/mksetup/payload_builder.h"
#include "tools/mksetup/payload_file.h"
#include "tools/mksetup/progress.h"
#include "tools/mksetup/sign.h"
#include "tools/mksetup/sources.h"
#include "tools/mksetup/text.h"
#include "tools/mksetup/volumes.h"

namespace {

// A file of the engine's: beside an installed mksetup (bin/../share/mksetup),
// or else where the build tree put it.
std::string BesideOrBuilt(const char* name, const std::string& built)
{
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed = self.parent_path().parent_path() / "share" / "mksetup" / name;
    if (std::filesystem::exists(installed, error)) return installed.string();
  }
  return built;
}

// Every file the build reads, which its output must not replace.
std::vector<std::string> InputsOf(const Product& product, const std::string& manifest, const std::string& engine,
                                  const std::string& uninstaller, const std::vector<std::string>& sign)
{
  std::vector<std::string> inputs = product.Inputs;
  inputs.insert(inputs.end(), {manifest, engine, uninstaller});
  inputs.insert(inputs.end(), sign.begin(), sign.end());
  for (const FileEntry& f : product.Files) inputs.push_back(f.File.Origin);
  return inputs;
}

void PrintSummary(const std::string& output, const BuildResult& built, const SetupWriter& setup, const Product& product)
{
  printf("%s: payload %llu bytes, file data %llu bytes written as %llu (%s), %u units of 4096 bytes required on disk\n",
         output.c_str(), static_cast<unsigned long long>(built.PayloadBytes), static_cast<unsigned long long>(built.BodyBytes),
         static_cast<unsigned long long>(built.EncodedBytes),
         (built.Flags & 0x0200) ? "stored" : "compressed", built.RequiredUnits);
  for (size_t i = 1; i < setup.Written.size(); ++i) printf("  volume %s\n", setup.Written[i].c_str());
  const std::vector<std::string>& removed = setup.Removed;
  if (!removed.empty())
    printf("  removed %zu volume%s of an earlier build: %s%s%s\n", removed.size(), removed.size() == 1 ? "" : "s",
           removed.front().c_str(), removed.size() == 1 ? "" : " to ", removed.size() == 1 ? "" : removed.back().c_str());
  if (product.LeftOut != 0)
    printf("  left out of trees: %zu files and folders (version control, editor backups, exclude patterns)\n",
           product.LeftOut);
}

int Build(const std::string& manifest, const std::string& output, const std::string& engine,
          const std::string& uninstaller, bool span, uint64_t volumeSize, bool quiet,
          const std::vector<std::string>& searchPath, const std::vector<std::string>& sign)
{
  Product product;
  std::string error;
  std::vector<std::string> warnings;
  uint64_t latestTime;
  if (!LatestSourceTime(getenv("SOURCE_DATE_EPOCH"), &latestTime, &error) ||
      !LoadManifest(manifest, &product, &error, searchPath, &warnings, latestTime)) {
    for (size_t start = 0, end; start < error.size(); start = end + 1) {
      end = std::min(error.find('\n', start), error.size());
      fprintf(stderr, "mksetup: %.*s\n", static_cast<int>(end - start), error.c_str() + start);
    }
    for (const std::string& warning : warnings) fprintf(stderr, "mksetup: warning: %s\n", warning.c_str());
    return 1;
  }
  // Warnings show with --quiet too: they name what the user should fix.
  for (const std::string& warning : warnings) fprintf(stderr, "mksetup: warning: %s\n", warning.c_str());
  // The manifest may name an uninstaller of its own; else the engine's.
  const std::string uninstallerImage = !uninstaller.empty() || !product.Uninstaller.empty()
                                ? uninstaller
                                : BesideOrBuilt("uninstaller.exe", MKSETUP_DEFAULT_UNINSTALLER);
  if (!uninstallerImage.empty()) {
    SourceFile file;
    if (!ReadSourceFile(uninstallerImage, &file, &error)) {
      fprintf(stderr, "mksetup: --uninstaller: %s\n", error.c_str());
      return 1;
    }
    if (const std::string problem = ImageProblem(file.Data, ImageKind::Uninstaller); !problem.empty()) {
      fprintf(stderr, "mksetup: --uninstaller: %s %s\n", uninstallerImage.c_str(), problem.c_str());
      return 1;
    }
    product.Uninstaller = file.Data;
  }
  if (product.Uninstaller.empty()) {
    fprintf(stderr, "mksetup: %s: no uninstaller; give product.uninstaller or --uninstaller\n", manifest.c_str());
    return 1;
  }
  // A volume size asks for volumes.
  if (span || volumeSize != 0) product.Spanned = true;
  if (volumeSize != 0) product.VolumeSize = volumeSize;
  if (product.Spanned && !sign.empty()) {
    // The setup program would read shared files' paths, registry keys and
    // the program to launch from volumes that no signature covers.
    fprintf(stderr, "mksetup: a spanned setup cannot be signed: only its first volume would carry the signature, and "
                    "the setup would trust the others unchecked; build it whole to sign it\n");
    return 1;
  }

  Bytes image;
  std::ifstream in(engine, std::ios::binary);
  if (in) image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (const std::string problem = in ? ImageProblem(image, ImageKind::Engine) : "cannot be read"; !problem.empty()) {
    fprintf(stderr, "mksetup: --engine: %s %s\n", engine.c_str(), problem.c_str());
    return 1;
  }
  if (!OutputSparesInputs(output, InputsOf(product, manifest, engine, uninstallerImage, sign), &error)) {
    fprintf(stderr, "mksetup: %s\n", error.c_str());
    return 1;
  }
  const std::filesystem::path folder = std::filesystem::path(output).parent_path();
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  const uint64_t imageSize = image.size();
  SetupWriter setup;
  BuildResult built;
  Progress progress(!quiet);
  CatchInterrupts();
  const bool done = setup.Open(output, std::move(image), product.Spanned, product.VolumeSize) &&
                    BuildPayload(product, imageSize, setup, progress, &built, &error) && setup.Finish() &&
                    (sign.empty() || SignSetup(setup.Temporary(), sign[0], sign[1], &error)) && setup.Commit();
  progress.Clear();
  if (!done) {
    if (error.empty()) error = setup.Error;
    setup.Discard();  // the earlier output stays as it was
    fprintf(stderr, "mksetup: %s\n", error.c_str());
  }
  ReleaseInterrupts();  // an interrupted build ends here, by its signal
  if (!done) return 1;
  if (!quiet) PrintSummary(output, built, setup, product);
  return 0;
}

int List(const std::string& setup, bool raw, bool quiet)
{
  std::string error;
  Progress progress(!quiet);
  uint64_t total = 0;
  struct stat info;
  for (int n = 1; n <= MOST_VOLUMES && stat((n == 1 ? setup : VolumeName(setup, n)).c_str(), &info) == 0; ++n)
    total += static_cast<uint64_t>(info.st_size);
  progress.Start("reading " + setup, 0, total);
  if (!OpenPayloadFile(setup, &error, [&progress](uint64_t bytes) { progress.Advance(bytes, 0); })) {
    fprintf(stderr, "mksetup: %s\n", error.c_str());
    return 1;
  }
  fprintf(stderr, "engine: %lu bytes\n", static_cast<unsigned long>(PayloadStart()));
  std::string listing;
  const int whole = WalkPayload(&listing);
  const bool atEnd = whole && PayloadAtEnd();
  ClosePayloadFile();
  progress.Clear();
  fputs(raw ? listing.c_str() : FromSjis(listing).c_str(), stdout);
  if (!whole) {
    fprintf(stderr, "mksetup: %s: the payload cannot be read to its end%s%s\n", setup.c_str(),
            PayloadFaultText().empty() ? "" : ": ", PayloadFaultText().c_str());
    return 1;
  }
  if (!atEnd) {
    fprintf(stderr, "mksetup: %s: data follows the launch record\n", setup.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  CLI::App app{"Builds setup executables from product manifests and lists their payloads."};
  app.require_subcommand(1);

  std::string manifest, output = "setup.exe", uninstaller;
  std::string engine = BesideOrBuilt("setup.exe", MKSETUP_DEFAULT_ENGINE);
  char logVersion[16];
  std::snprintf(logVersion, sizeof logVersion, LOG_VERSION_FORMAT, ENGINE_VERSION_MAJOR, ENGINE_VERSION_MINOR);
  app.set_version_flag("--version", std::string("mksetup: setup engine " ENGINE_VERSION_TEXT " (log ") + logVersion + ")");
  bool span = false, quiet = false;
  uint64_t volumeSize = 0;
  CLI::App* build = app.add_subcommand("build", "Build a setup executable from a manifest");
  build->add_option("manifest", manifest, "Product manifest (TOML)")->required();
  build->add_option("-o,--output", output, "Setup executable to write");
  build->add_option("--engine", engine, "The engine's image (setup.exe without payload)");
  build->add_option("--uninstaller", uninstaller, "Uninstaller image, instead of the manifest's or the engine's own");
  build->add_flag("--span", span, "Spread the payload over continuation volumes");
  build->add_option("--volume-size", volumeSize, "Bytes per volume (default 1457664); implies --span")
      ->check(CLI::Range(4096ull, 0xFFFFFFFFull));
  build->add_flag("-q,--quiet", quiet, "Print nothing on success but warnings, and no progress");
  std::vector<std::string> searchPath;
  build->add_option("-I,--search-path", searchPath, "Folder for relative sources the manifest's folder lacks");
  std::vector<std::string> sign;
  build->add_option("--sign", sign, "Sign the setup with Authenticode: certificate and key files")
      ->expected(2)->check(CLI::ExistingFile);

  std::string setup;
  bool raw = false;
  CLI::App* list = app.add_subcommand("list", "List the payload of a setup executable");
  list->add_option("setup", setup, "Setup executable")->required();
  list->add_flag("--raw", raw, "Print texts in Shift-JIS as stored");
  list->add_flag("-q,--quiet", quiet, "Show no progress");

  CLI11_PARSE(app, argc, argv);
  if (*build) return Build(manifest, output, engine, uninstaller, span, volumeSize, quiet, searchPath, sign);
  return List(setup, raw, quiet);
}
