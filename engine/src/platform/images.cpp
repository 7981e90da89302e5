#include "platform/images.h"

#include <windows.h>
#include <wincodec.h>

namespace images {
namespace {

// Spelled out here so that no import library has to provide them.
const CLSID kWicFactory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
const IID kWicFactoryIid = {0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
const GUID kPremultipliedBgra = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x10}};

template <class T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p_) p_->Release();
  }
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

IWICImagingFactory* factory = nullptr;
bool comStarted = false;

IWICImagingFactory* Factory() {
  if (factory) return factory;
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // S_FALSE: already initialised on this thread; RPC_E_CHANGED_MODE: a multithreaded
  // apartment, which serves the codecs just as well.
  if (hr == S_OK || hr == S_FALSE) comStarted = true;
  CoCreateInstance(kWicFactory, nullptr, CLSCTX_INPROC_SERVER, kWicFactoryIid, reinterpret_cast<void**>(&factory));
  return factory;
}

}  // namespace

std::shared_ptr<const Image> Decode(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
  IWICImagingFactory* f = Factory();
  if (!f) return nullptr;
  Com<IWICStream> stream;
  if (FAILED(f->CreateStream(stream.out()))) return nullptr;
  if (FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                          static_cast<DWORD>(bytes.size()))))
    return nullptr;
  Com<IWICBitmapDecoder> decoder;
  if (FAILED(f->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out())))
    return nullptr;
  Com<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.out()))) return nullptr;
  Com<IWICFormatConverter> converter;
  if (FAILED(f->CreateFormatConverter(converter.out()))) return nullptr;
  if (FAILED(converter->Initialize(frame.get(), kPremultipliedBgra, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return nullptr;
  UINT w = 0, h = 0;
  // At most 4096 x 4096 pixels' worth (64 MB decoded): a page cannot make the engine take
  // gigabytes with one small, highly compressed file.
  if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 16384 || h > 16384 ||
      static_cast<uint64_t>(w) * h > 4096ull * 4096ull)
    return nullptr;
  auto image = std::make_shared<Image>();
  image->width = static_cast<int>(w);
  image->height = static_cast<int>(h);
  image->pixels.resize(static_cast<size_t>(w) * h);
  if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(image->pixels.data()))))
    return nullptr;
  return image;
}

void Release() {
  if (factory) factory->Release();
  factory = nullptr;
  if (comStarted) CoUninitialize();
  comStarted = false;
}

}  // namespace images
