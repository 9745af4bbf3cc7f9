#include "core/base/Color.h"

#include <utility>

namespace velinor {

namespace {
TSystemColorResolver& Resolver() {
  static TSystemColorResolver resolver;
  return resolver;
}
}  // namespace

TColor DefaultSystemColor(uint8_t index) {
  switch (index) {
    case sciScrollBar: return RGB(200, 200, 200);
    case sciBackground: return RGB(0, 78, 152);
    case sciActiveCaption: return RGB(153, 180, 209);
    case sciInactiveCaption: return RGB(191, 205, 219);
    case sciMenu: return RGB(240, 240, 240);
    case sciWindow: return RGB(255, 255, 255);
    case sciWindowFrame: return RGB(100, 100, 100);
    case sciMenuText: return RGB(0, 0, 0);
    case sciWindowText: return RGB(0, 0, 0);
    case sciCaptionText: return RGB(0, 0, 0);
    case sciActiveBorder: return RGB(180, 180, 180);
    case sciInactiveBorder: return RGB(244, 247, 252);
    case sciAppWorkSpace: return RGB(171, 171, 171);
    case sciHighlight: return RGB(0, 120, 215);
    case sciHighlightText: return RGB(255, 255, 255);
    case sciBtnFace: return RGB(240, 240, 240);
    case sciBtnShadow: return RGB(160, 160, 160);
    case sciGrayText: return RGB(109, 109, 109);
    case sciBtnText: return RGB(0, 0, 0);
    case sciInactiveCaptionText: return RGB(0, 0, 0);
    case sciBtnHighlight: return RGB(255, 255, 255);
    case sci3DDkShadow: return RGB(105, 105, 105);
    case sci3DLight: return RGB(227, 227, 227);
    case sciInfoText: return RGB(0, 0, 0);
    case sciInfoBk: return RGB(255, 255, 225);
    case sciHotLight: return RGB(0, 102, 204);
    case sciMenuHighlight: return RGB(0, 120, 215);
    case sciMenuBar: return RGB(240, 240, 240);
    default: return RGB(0, 0, 0);
  }
}

TColor ResolveSystemColor(TColor c) {
  if (!IsSystemColor(c)) return c;
  const uint8_t index = c & 0xFF;
  const auto& resolver = Resolver();
  return (resolver ? resolver(index) : DefaultSystemColor(index)) & 0x00FFFFFF;
}

void SetSystemColorResolver(TSystemColorResolver resolver) { Resolver() = std::move(resolver); }

}  // namespace velinor
