// The small images of the style dialog's flat buttons, drawn rather than shipped as files.
#pragma once

#include <QIcon>

namespace pindle {

[[nodiscard]] QIcon ArrowIcon(bool up);
[[nodiscard]] QIcon FontIcon();

}  // namespace pindle
