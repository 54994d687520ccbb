#include "dc_window_slot.h"

namespace nuvix {

CDcWindowSlot::~CDcWindowSlot() { Close(); }

QString CDcWindowSlot::Title(const char* name, int channel) {
  if (name != nullptr && name[0] != '\0') return QStringLiteral("DC Win:%1").arg(QString::fromLocal8Bit(name));
  return QString::asprintf("DC %2d Window", channel + 1);
}

bool CDcWindowSlot::Open(int width, int height, const char* name, int channel, const QRect* screen) {
  if (m_window) return true;
  const bool named = name != nullptr && name[0] != '\0';
  auto window = std::make_unique<CRgbWnd>();
  if (!window->Create(width, height, Title(name, channel), named, screen)) return false;
  m_window = std::move(window);
  return true;
}

void CDcWindowSlot::Close() { m_window.reset(); }

}  // namespace nuvix
