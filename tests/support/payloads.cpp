// Test payloads from the builder's own section writers, so that a test can
// never agree with a reader through a second, wrong writer.
#include "tests/support/payloads.h"
#include "payload/layout.h"
#include "tests/support/files.h"
#include "tools/mksetup/product.h"

Bytes StartupSections(const StartupFields& f)
{
  Product p;
  p.Name = f.Name, p.Top = f.Top, p.Bottom = f.Bottom;
  p.Face = f.Face, p.FontSize = static_cast<int32_t>(f.FontSize), p.Footer = f.Footer;
  for (int i = 0; f.Panel && i < PANEL_BYTES; ++i) p.Panel.push_back(static_cast<unsigned char>(i * 7));
  SectionWriter writer(0, f.Flags);
  writer.Startup(p);
  return writer.Out;
}

Bytes StandInImage()
{
  Bytes image(64, 0);
  image[0] = 'M', image[1] = 'Z';
  return image;
}

bool WriteStandInSetup(const std::string& path, const Bytes& payload)
{
  Bytes image = StandInImage();
  return AttachPayload(image, payload) && WriteWholeFile(path, image);
}
