// Object's default operations. Relies on runtime/object.h only.
#include "runtime/object.h"

#include <functional>

bool Object::Equals(Object* other) {
    return other == this;
}

int Object::Compare(Object* other) {
    // Only the sign is meaningful; the plain address difference does not fit an int on a
    // 64-bit machine and could give the wrong sign.
    std::less<Object*> before;
    if (before(this, other)) return -1;
    if (before(other, this)) return 1;
    return 0;
}

String Object::debug() {
    return String("+Object\n");
}
