// The program's artwork, drawn once at start: the seven 16 by 16 images of imglstStyleSheets, the
// program icon (rendered from its SVG drawings) and the 350 by 200 splash picture. On a screen with more device pixels to
// the pixel they are drawn at its density, not magnified.
#pragma once

#include <QFont>
#include <QImage>
#include <QIcon>
#include <QPixmap>

#include <array>

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

// The sizes of the program icon that the window and the desktop's icon theme get.
inline constexpr std::array<int, 6> ProgramIconSizes = {16, 32, 48, 64, 128, 256};

[[nodiscard]] const QPixmap& StyleImage(int index);  // 16 by 16 device pixels
[[nodiscard]] QPixmap StyleImage(int index, int ratio);  // 16 by 16, drawn with ratio device pixels to the pixel
[[nodiscard]] const QIcon& StyleIcon(int index);     // 16 by 16, drawn for 1, 2 and 3 device pixels to the pixel
[[nodiscard]] const QIcon& ProgramIcon();            // every size of ProgramIconSizes
[[nodiscard]] QImage ProgramIconImage(int size);     // the program icon drawn at size by size pixels
[[nodiscard]] const QPixmap& SplashPicture();        // 350 by 200, at the screens' highest density

// The family at a character height in pixels, as the artwork and the splash window's labels use it.
[[nodiscard]] QFont PixelFont(const char* family, int pixels, bool bold = false, bool italic = false);

}  // namespace pindle
