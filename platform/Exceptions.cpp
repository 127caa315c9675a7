#include "platform/Exceptions.h"
