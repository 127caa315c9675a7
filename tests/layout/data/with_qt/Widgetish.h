// A header of a Qt-free folder that includes Qt: the layout check must name it.
#pragma once

#include <string>
  #  include <QString>
