// The fixture shared by the install step tests.
#include "tests/support/step_fixture.h"
#include <commctrl.h>
#include "app/state.h"
#include "payload/lzw_encode.h"
#include "payload/stream.h"
#include "tests/support/payloads.h"

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Concat(std::initializer_list<Bytes> parts)
{
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes ListEnd() { return Bytes{0}; }

bool EndsWith(const std::string& text, const std::string& end)
{
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

Bytes PlainFileRecord(const Bytes& data)
{
  Bytes out;
  PutInt32(out, FILE_ATTRIBUTE_ARCHIVE);
  for (int i = 0; i < 3; ++i) PutFileTime(out, 126256467060000000ull);
  PutInt32(out, static_cast<uint32_t>(data.size()));
  PutInt32(out, 0);
  const Bytes body = LzwEncode(data.data(), data.size());
  PutBytes(out, body.data(), body.size());
  return out;
}

void StepFixture::SetUpTestSuite() { InitCommonControls(); }

void StepFixture::SetUp()
{
  InitSetupState();
  State.ErrorBoxStyle = MB_ICONEXCLAMATION;
  lstrcpyA(State.OwnPath, (aside_ / "SETUP.EXE").c_str());
  if (installInAside_) {
    lstrcpyA(State.InstallFolder, aside_.Path().c_str());
  } else {
    lstrcpyA(State.InstallFolder, folder_.Path().c_str());
    GetCurrentDirectoryA(sizeof startDirectory_, startDirectory_);
    SetCurrentDirectoryA(folder_.Path().c_str());
  }
  OpenLog();
  // The progress dialog's item name text and both bars, on a hidden window.
  window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr, nullptr, nullptr);
  State.Meters.Bars[1] =
      CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 300, 10, window_, nullptr, nullptr, nullptr);
  State.Meters.Bars[2] = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 20, 300, 20, window_, nullptr, nullptr, nullptr);
  State.Meters.Bars[3] =
      CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 50, 300, 10, window_, nullptr, nullptr, nullptr);
  if (ownedByDialog_) State.CurrentDialog = window_;
  Answer({});
}

void StepFixture::TearDown()
{
  for (const SeenBox& box : Boxes()) ADD_FAILURE() << "box not looked at: " << box.Text;
  boxes_.reset();
  ClosePayload();
  if (State.InstallLog != INVALID_HANDLE_VALUE) CloseHandle(State.InstallLog);
  State.InstallLog = INVALID_HANDLE_VALUE;
  for (HWND& bar : State.Meters.Bars) bar = nullptr;
  State.CurrentDialog = nullptr;
  DestroyWindow(window_);
  // The temporary folder could not be removed while it is current.
  if (!installInAside_) SetCurrentDirectoryA(startDirectory_);
}

void StepFixture::PresetBars(int overallMaximum, int overallPosition, int itemMaximum, int itemPosition)
{
  SendMessageA(State.Meters.Bars[1], PBM_SETRANGE32, 0, overallMaximum);
  SendMessageA(State.Meters.Bars[1], PBM_SETSTEP, 1, 0);
  SendMessageA(State.Meters.Bars[1], PBM_SETPOS, overallPosition, 0);
  SendMessageA(State.Meters.Bars[3], PBM_SETRANGE32, 0, itemMaximum);
  SendMessageA(State.Meters.Bars[3], PBM_SETSTEP, 1, 0);
  SendMessageA(State.Meters.Bars[3], PBM_SETPOS, itemPosition, 0);
  SetWindowTextA(State.Meters.Bars[2], "前の項目");
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

void StepFixture::ExpectNoBox()
{
  for (const SeenBox& box : Boxes()) ADD_FAILURE() << "unexpected box: " << box.Text;
}

void StepFixture::OpenLog()
{
  State.InstallLog = CreateFileA((aside_ / "setup.inf").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, 0, nullptr);
}

std::string StepFixture::Log()
{
  CloseHandle(State.InstallLog);
  State.InstallLog = INVALID_HANDLE_VALUE;
  const std::string lines = Text(ReadWholeFile(aside_ / "setup.inf"));
  if (logStartsAgain_) OpenLog();
  return lines;
}

std::string StepFixture::Label() const
{
  char text[MAX_PATH] = "";
  GetWindowTextA(State.Meters.Bars[2], text, sizeof text);
  return text;
}

int StepFixture::Position(int bar) const
{
  return static_cast<int>(SendMessageA(State.Meters.Bars[bar], PBM_GETPOS, 0, 0));
}

int StepFixture::ItemMaximum() const
{
  return static_cast<int>(SendMessageA(State.Meters.Bars[3], PBM_GETRANGE, FALSE, 0));
}
