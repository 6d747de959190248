// The fixture shared by the install step tests; see the header.
#include "tests/support/step_fixture.h"
#include <commctrl.h>
#include <algorithm>
#include "app/file_io.h"
#include "app/state.h"
#include "install/kept_values.h"
#include "install/replaced_files.h"
#include "payload/stream.h"

SourceFile Source(const Bytes& data, uint32_t attributes)
{
  const uint64_t time = 126256467060000000ull;
  return {"test", attributes, time, time, time, data};
}

Bytes FileRecord(const Bytes& data, uint32_t attributes, unsigned flags)
{
  SectionWriter writer(0, flags);
  writer.Item(Source(data, attributes));
  return writer.Out;
}

Bytes VersionedStandIn(DWORD ms, DWORD ls)
{
  Bytes image = ReadWholeFile(ProgramFolder() + "\\recorder_uninstaller.exe");
  const DWORD signature = VS_FFI_SIGNATURE;
  const auto fixed = std::search(image.begin(), image.end(), reinterpret_cast<const BYTE*>(&signature),
                                 reinterpret_cast<const BYTE*>(&signature) + 4);
  if (fixed == image.end()) return Bytes{};
  CopyMemory(&*fixed + 8, &ms, 4);
  CopyMemory(&*fixed + 12, &ls, 4);
  return image;
}

void StepFixture::SetUp()
{
  InitCommonControls();
  InitSetupState();
  State.ErrorBoxStyle = MB_ICONEXCLAMATION;
  lstrcpyA(State.OwnPath, (aside_ / "SETUP.EXE").c_str());
  lstrcpyA(State.InstallFolder, folder_.Path().c_str());
  GetCurrentDirectoryA(sizeof startDirectory_, startDirectory_);
  SetCurrentDirectoryA(folder_.Path().c_str());
  State.InstallLog = CreateFileA((aside_ / "setup.inf").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, 0, nullptr);
  window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr, nullptr);
  for (int i = 0; i < 4; ++i)
    State.Meters.Controls[i] = CreateWindowExA(0, i % 2 ? PROGRESS_CLASSA : "STATIC", "", WS_CHILD, 0, 20 * i, 300, 10,
                                           window_, nullptr, nullptr, nullptr);
  State.CurrentDialog = window_;
  Answer({});
}

void StepFixture::TearDown()
{
  for (const SeenBox& box : Boxes()) ADD_FAILURE() << "box not looked at: " << box.Text;
  boxes_.reset();
  ClosePayload();
  CloseHandle(State.InstallLog);
  ForgetReplacedFiles();
  ForgetValues();
  DestroyWindow(window_);
  for (IoKind kind : {IO_READ, IO_WRITE, IO_CREATE}) IoInjectFault(kind, -1, 0);
  SetCurrentDirectoryA(startDirectory_);  // the folder could not be removed while current
}

void StepFixture::Open(const Bytes& payload, unsigned flags)
{
  ClosePayload();
  ASSERT_TRUE(WriteStandInSetup(State.OwnPath, payload));
  ASSERT_EQ(1, OpenPayload());
  State.PayloadFlags = flags;
}

void StepFixture::Answer(std::vector<ExpectedBox> script)
{
  boxes_.reset();
  boxes_ = std::make_unique<BoxAnswerer>(std::move(script));
}

std::vector<SeenBox> StepFixture::Boxes()
{
  std::vector<SeenBox> seen = boxes_->Finish();
  Answer({});
  return seen;
}

void StepFixture::ExpectOneErrorAbout(const std::string& subject)
{
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ("ｴﾗｰ情報", seen[0].Caption);
  EXPECT_TRUE(EndsWith("\n" + seen[0].Text, "\n" + subject)) << seen[0].Text;
}

std::string StepFixture::Log()
{
  CloseHandle(State.InstallLog);
  ForgetReplacedFiles();
  ForgetValues();
  State.InstallLog = INVALID_HANDLE_VALUE;
  return FileText(aside_ / "setup.inf");
}
