// Object, the root of every application class, and ThrowableObject, the type of every thrown
// language exception (thrown and caught as a pointer). Relies on the collector for allocation
// and on String for the debugger's text.
#pragma once

#include "runtime/gc.h"
#include "runtime/text.h"

struct Object : gc_object {
    // True when `other` is this very object.
    virtual bool Equals(Object* other);
    // The order of the two addresses: negative, 0 or positive.
    virtual int Compare(Object* other);
    // The text the debugger shows for the object.
    virtual String debug();
};

struct ThrowableObject : Object {};
