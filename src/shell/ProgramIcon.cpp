#include "shell/ProgramIcon.h"

#include <QIcon>
#include <QPixmap>
#include <cstddef>

namespace shell {

extern const unsigned char kProgramIconPng[];
extern const std::size_t kProgramIconPngSize;

QIcon ProgramIcon() {
  QPixmap picture;
  picture.loadFromData(kProgramIconPng, static_cast<unsigned int>(kProgramIconPngSize), "PNG");
  return QIcon(picture);
}

}  // namespace shell
