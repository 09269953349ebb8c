// Array<T>: a fixed-length array whose storage is one collected object (Array<T>::Rep), copied
// by pointer, never reference counted, with one shared permanently-live empty representation per
// element type. Relies on the collector (runtime/gc.h) for the storage and on String for text
// elements, which the representation releases when it is destroyed.
#pragma once

#include <climits>
#include <cstddef>
#include <new>
#include <type_traits>

#include "runtime/gc.h"
#include "runtime/text.h"

template <class T>
class Array;

namespace gc_detail {

template <class T>
struct is_collected_pointer : std::false_type {};
template <class T>
struct is_collected_pointer<T*>
    : std::bool_constant<std::is_base_of_v<gc_object, T> || std::is_base_of_v<gc_interface, T>> {};

template <class T>
struct is_array : std::false_type {};
template <class T>
struct is_array<Array<T>> : std::true_type {};

}  // namespace gc_detail

template <class T>
class Array {
public:
    struct Rep : gc_object {
        int length;

        explicit Rep(int n) : length(n) {}
        explicit Rep(gc_static_tag) : gc_object(gc_static_tag{}, kGcPermanentColour), length(0) {}

        // The elements follow the header in the same block.
        T* data() { return reinterpret_cast<T*>(reinterpret_cast<char*>(this) + sizeof(Rep)); }

        ~Rep() override {
            if constexpr (!std::is_trivially_destructible_v<T>) {
                T* elements = data();
                for (int i = 0; i < length; ++i)
                    elements[i].~T();
            }
        }

        // Elements are blackened at once: a short array is scanned as a whole when it is reached,
        // a long one a slice at a time over later marking work (see gc_mark_in_slices).
        void mark() override {
            if constexpr (gc_detail::is_collected_pointer<T>::value ||
                          gc_detail::is_array<T>::value) {
                if (length > kGcArraySlice) {
                    gc_mark_in_slices(this, length, &MarkElements);
                } else {
                    MarkElements(this, 0, length);
                }
            }
        }

        // Blackens the elements from `from` up to, not including, `to`.
        static void MarkElements(gc_object* array, int from, int to) {
            T* elements = static_cast<Rep*>(array)->data();
            for (int i = from; i < to; ++i) {
                if constexpr (gc_detail::is_array<T>::value) {
                    gc_mark_now(elements[i].GetRep());
                } else if constexpr (gc_detail::is_collected_pointer<T>::value) {
                    gc_mark_now(elements[i]);
                }
            }
        }

        // A new white representation of `n` (> 0) zero-initialised elements.
        static Rep* create(int n) {
            static_assert(alignof(T) <= alignof(Rep), "element alignment exceeds the header's");
            std::size_t bytes = sizeof(Rep) + static_cast<std::size_t>(n) * sizeof(T);
            if (bytes > static_cast<std::size_t>(INT_MAX & ~7)) bbOutOfMemory();
            Rep* rep = new (gc_object_alloc(static_cast<int>(bytes))) Rep(n);
            T* elements = rep->data();
            for (int i = 0; i < n; ++i)
                ::new (static_cast<void*>(elements + i)) T();
            return rep;
        }
    };

    // Length 0, colour bits kGcPermanentColour: never marked, never swept, never freed.
    static Rep nullRep;

    Array() : rep_(&nullRep) {}
    // `length` zero-initialised elements (numbers 0, pointers null, strings empty); a length of
    // 0 or less gives the shared empty array.
    explicit Array(int length) : rep_(length > 0 ? Rep::create(length) : &nullRep) {}
    Array(const T* elements, int length) : Array(length) {
        for (int i = 0; i < Length(); ++i)
            (*this)[i] = elements[i];
    }
    explicit Array(Rep* rep) : rep_(rep) {}

    int Length() const { return rep_->length; }
    // Unchecked: callers keep 0 <= index < Length(). Storing an object pointer into an element
    // goes through gc_assign like any other store.
    T& operator[](int index) const { return rep_->data()[index]; }
    T* Data() const { return rep_->data(); }
    T* begin() const { return rep_->data(); }
    T* end() const { return rep_->data() + rep_->length; }
    Rep* GetRep() const { return rep_; }

    // A new array of the elements from `from` up to, not including, `term`, with the bounds
    // rules of String::Slice; the whole array gives this array itself.
    Array Slice(int from) const { return Slice(from, Length()); }
    Array Slice(int from, int term) const {
        int length = Length();
        if (!ClipSliceBounds(length, from, term)) return Array();
        if (from == 0 && term == length) return *this;
        return Array(Data() + from, term - from);
    }

    // A new array of `length` elements: the first ones copied, the rest zero-initialised. The
    // copies need no barrier: the new array is scanned whole once it is stored (with gc_assign)
    // and reached.
    Array Resize(int length) const {
        Array result(length);
        int n = length < Length() ? length : Length();
        for (int i = 0; i < n; ++i)
            result[i] = (*this)[i];
        return result;
    }

private:
    Rep* rep_;
};

template <class T>
typename Array<T>::Rep Array<T>::nullRep{gc_static_tag{}};

// Marking and the write barrier for fields and globals that hold an array: the representation
// is the collected object.
template <class T>
inline void gc_mark_q(const Array<T>& a) {
    gc_mark_q_object(a.GetRep());
}

template <class T>
inline void gc_mark_now(const Array<T>& a) {
    gc_mark_now_object(a.GetRep());
}

template <class T>
inline Array<T>& gc_assign(Array<T>& field, const Array<T>& value) {
    gc_mark_q_object(value.GetRep());
    field = value;
    return field;
}

// Registers an Array global (`&bb_Wyndle_CreditText`) as the root of `rank`.
template <class T>
void gc_register_root(gc_root rank, const Array<T>* slot) {
    gc_register_root_slot(rank, slot, [](const void* s) -> gc_object* {
        return static_cast<const Array<T>*>(s)->GetRep();
    });
}
