// The fixture shared by the install step tests; see the header.
#include "tests/support/step_fixture.h"
#include <commctrl.h>
#include "app/file_io.h"
#include "app/state.h"
#include "payload/lzw_encode.h"
#include "payload/stream.h"
#include "tests/support/payloads.h"

Bytes FileRecord(const Bytes& data, uint32_t attributes)
{
  Bytes out;
  PutInt32(out, attributes);
  for (int i = 0; i < 3; ++i) PutFileTime(out, 126256467060000000ull);
  PutInt32(out, static_cast<uint32_t>(data.size()));
  PutInt32(out, 0);
  const Bytes body = LzwEncode(data.data(), data.size());
  PutBytes(out, body.data(), body.size());
  return out;
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
  const char* classes[] = {"STATIC", PROGRESS_CLASSA, "STATIC", PROGRESS_CLASSA};
  for (int i = 0; i < 4; ++i)
    State.Meters.Controls[i] = CreateWindowExA(0, classes[i], "", WS_CHILD, 0, 20 * i, 300, 10, window_, nullptr,
                                           nullptr, nullptr);
  State.CurrentDialog = window_;
  Answer({});
}

void StepFixture::TearDown()
{
  for (const SeenBox& box : Boxes()) ADD_FAILURE() << "box not looked at: " << box.Text;
  boxes_.reset();
  ClosePayload();
  if (State.InstallLog != INVALID_HANDLE_VALUE) CloseHandle(State.InstallLog);
  State.InstallLog = INVALID_HANDLE_VALUE;
  for (HWND& control : State.Meters.Controls) control = nullptr;
  State.CurrentDialog = nullptr;
  DestroyWindow(window_);
  IoInjectFault(IO_WRITE, -1, 0);
  IoInjectFault(IO_READ, -1, 0);
  SetCurrentDirectoryA(startDirectory_);  // the folder could not be removed while current
}

void StepFixture::Open(const Bytes& payload, unsigned flags)
{
  ClosePayload();
  Bytes image = StandInImage();
  ASSERT_TRUE(AttachPayload(image, payload));
  ASSERT_TRUE(WriteWholeFile(State.OwnPath, image));
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
  EXPECT_TRUE(EndsWith(seen[0].Text, "\n" + subject)) << seen[0].Text;
}

std::string StepFixture::Log()
{
  CloseHandle(State.InstallLog);
  State.InstallLog = INVALID_HANDLE_VALUE;
  return FileText(aside_ / "setup.inf");
}
