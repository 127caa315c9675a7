// The program's artwork, drawn once at start: the seven 16 by 16 images of imglstStyleSheets, the
// 32 by 32 program icon and the 350 by 200 splash picture.
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace pindle {

// Roles of the image list entries.
inline constexpr int imgStyleRow = 0;
inline constexpr int imgNew = 1;
inline constexpr int imgOpen = 2;
inline constexpr int imgSave = 3;
inline constexpr int imgDelete = 4;
inline constexpr int imgAdd = 5;
inline constexpr int imgEdit = 6;
inline constexpr int imgCount = 7;

[[nodiscard]] const QPixmap& StyleImage(int index);  // 16 by 16
[[nodiscard]] const QIcon& StyleIcon(int index);
[[nodiscard]] const QIcon& ProgramIcon();            // 32 by 32 (and a 16 by 16 rendering)
[[nodiscard]] const QPixmap& SplashPicture();        // 350 by 200

// The family at a character height in pixels, as the artwork and the splash window's labels use it.
[[nodiscard]] QFont PixelFont(const char* family, int pixels, bool bold = false, bool italic = false);

}  // namespace pindle
