#pragma once

#include <QColor>
#include <QPalette>

#include <optional>

// A colour as the components store it: either a fixed RGB value or a role of
// the desktop palette, resolved only when painting so that a theme change
// reaches every component without re-configuring it.
class TKivColor {
public:
  TKivColor() = default;
  TKivColor(const QColor &rgb) : FRgb(rgb) {}               // NOLINT(google-explicit-constructor)
  TKivColor(QPalette::ColorRole role) : FRole(role) {}      // NOLINT(google-explicit-constructor)
  TKivColor(Qt::GlobalColor color) : FRgb(QColor(color)) {} // NOLINT(google-explicit-constructor)

  bool isRole() const { return FRole.has_value(); }
  QColor resolve(const QPalette &palette) const {
    return FRole ? palette.color(QPalette::Active, *FRole) : FRgb;
  }
  bool operator==(const TKivColor &other) const {
    return FRole == other.FRole && (FRole || FRgb == other.FRgb);
  }

private:
  QColor FRgb{Qt::black};
  std::optional<QPalette::ColorRole> FRole;
};

// The desktop counterparts of the classic system colours the components are
// designed around.
namespace KivSystemColor {
inline constexpr QPalette::ColorRole BtnFace = QPalette::Button;
inline constexpr QPalette::ColorRole BtnShadow = QPalette::Dark;
inline constexpr QPalette::ColorRole BtnHighlight = QPalette::Light;
inline constexpr QPalette::ColorRole Window = QPalette::Base;
inline constexpr QPalette::ColorRole WindowFrame = QPalette::Shadow;
inline constexpr QPalette::ColorRole HotLight = QPalette::Link;
} // namespace KivSystemColor
