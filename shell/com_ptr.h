#pragma once
// Win32 only: owner of one COM interface pointer (Release on destruction).

#include <unknwn.h>

#include <utility>

namespace horvane {

template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    void Reset() {
        if (ptr_ != nullptr) std::exchange(ptr_, nullptr)->Release();
    }
    // For functions that hand out an interface through a void** (CoCreateInstance,
    // QueryInterface): the pointer held so far is released first.
    void** PutVoid() {
        Reset();
        return reinterpret_cast<void**>(&ptr_);
    }

  private:
    T* ptr_ = nullptr;
};

}  // namespace horvane
