// The view doubles: layers that write and read their records, the selection record, the
// counters, and the vector double's streams.
#include "tests/imaging/support/fake_pictavo_view.h"

#include <atomic>
#include <cstring>

#include "imaging/base/streams/streams.h"

namespace calmora::test {

namespace {

void WriteInt32(TStream* stream, int32_t value) {
  uint8_t bytes[4];
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
  stream->WriteBuffer(bytes, 4);
}

void WriteByte(TStream* stream, uint8_t value) { stream->WriteBuffer(&value, 1); }

bool ReadInt32(TStream* stream, int32_t& value) {
  uint8_t bytes[4];
  if (stream->Read(bytes, 4) != 4) return false;
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[i]) << (8 * i);
  value = static_cast<int32_t>(v);
  return true;
}

bool ReadByte(TStream* stream, uint8_t& value) { return stream->Read(&value, 1) == 1; }

// Writes a placeholder length, then the body, then the body's true length from start.
template <typename Body>
void WriteWithLength(TStream* stream, Body body) {
  const int64_t start = stream->GetPosition();
  WriteInt32(stream, 0);
  body();
  const int64_t end = stream->GetPosition();
  stream->SetPosition(start);
  WriteInt32(stream, static_cast<int32_t>(end - start));
  stream->SetPosition(end);
}

constexpr char kPVVSignature[7] = {'F', 'A', 'K', 'E', 'P', 'V', 'V'};

}  // namespace

// ---- FakeLayer ----

FakeLayer::FakeLayer() {
  static std::atomic<uint32_t> next{1};
  GUID.D1 = next.fetch_add(1);
  GUID.D2 = 0xFA4E;
  GUID.D3 = 0x1A7E;
  for (int i = 0; i < 8; ++i) GUID.D4[i] = static_cast<uint8_t>(GUID.D1 * 7 + i);
}

void FakeLayer::Reset() {
  PosX = 0;
  PosY = 0;
  Locked = false;
}

void FakeLayer::Assign(TPVLayerServices& Source) {
  PosX = Source.GetPosX();
  PosY = Source.GetPosY();
  Locked = Source.GetLocked();
  if (Source.GetBitmap()) Bitmap->Assign(Source.GetBitmap());
}

void FakeLayer::SaveToStream(TStream* Stream, bool WithBitmap) {
  WriteWithLength(Stream, [&] {
    Stream->WriteBuffer(&GUID, sizeof(GUID));
    WriteInt32(Stream, PosX);
    WriteInt32(Stream, PosY);
    WriteByte(Stream, Locked ? 1 : 0);
    WriteByte(Stream, WithBitmap ? 1 : 0);
    if (WithBitmap) Bitmap->SaveRawToStream(Stream);
  });
}

void FakeLayer::LoadFromStream(TStream* Stream) {
  const int64_t start = Stream->GetPosition();
  int32_t length = 0;
  TGUID id;
  int32_t x = 0, y = 0;
  uint8_t locked = 0, hasBitmap = 0;
  const bool read = ReadInt32(Stream, length) &&
                    Stream->Read(&id, sizeof(id)) == static_cast<int32_t>(sizeof(id)) &&
                    ReadInt32(Stream, x) && ReadInt32(Stream, y) && ReadByte(Stream, locked) &&
                    ReadByte(Stream, hasBitmap);
  if (read) {
    GUID = id;
    PosX = x;
    PosY = y;
    Locked = locked != 0;
    if (hasBitmap) Bitmap->LoadRawFromStream(Stream);
  }
  const int64_t end = std::min(start + std::max(length, 0), Stream->GetSize());
  Stream->SetPosition(std::max(end, Stream->GetPosition()));
}

// ---- FakePictavoView ----

FakePictavoView::FakePictavoView(platform::TComponent* AOwner) : TPVView(AOwner) {
  Layers.push_back(std::make_unique<FakeLayer>());
}

platform::TBitmap* FakePictavoView::GetTBitmap() {
  TPVBitmap* bitmap = GetPVBitmap();
  return bitmap->Location == pvTBitmap ? bitmap->Storage.WrappedTBitmap.get() : nullptr;
}

TPVBitmap* FakePictavoView::GetPVBitmap() {
  return ExternalBitmap ? ExternalBitmap : Layers[static_cast<size_t>(CurrentLayer)]->Bitmap.get();
}

void FakePictavoView::RemoveAlphaChannel(bool Merge) {
  GetPVBitmap()->RemoveAlphaChannel(Merge, GetBackground());
}

int32_t FakePictavoView::UnlockPaint() {
  if (PaintLock > 0 && --PaintLock == 0) Update();
  return PaintLock;
}

int32_t FakePictavoView::UnlockPaintSilently() {
  if (PaintLock > 0) --PaintLock;
  return PaintLock;
}

void FakePictavoView::Update() {
  if (UpdateLock == 0) ++UpdateCount;
}

TPVLayerServices* FakePictavoView::GetLayer(int32_t Index) {
  if (Index < 0 || Index >= GetLayersCount()) return nullptr;
  return Layers[static_cast<size_t>(Index)].get();
}

void FakePictavoView::SetCurrentLayer(int32_t Index) {
  if (Index < 0 || Index >= GetLayersCount() || Index == CurrentLayer) return;
  CurrentLayer = Index;
  NotifyBitmapChanged();
  Update();
}

void FakePictavoView::LayersClear() {
  Layers.resize(1);
  Layers[0]->Reset();
  const bool changed = CurrentLayer != 0;
  CurrentLayer = 0;
  if (changed) NotifyBitmapChanged();
  Update();
}

int32_t FakePictavoView::LayersAdd() {
  auto layer = std::make_unique<FakeLayer>();
  const TPVBitmap* current = GetPVBitmap();
  if (!current->IsEmpty())
    layer->Bitmap->Allocate(current->GetWidth(), current->GetHeight(), current->GetPixelFormat());
  Layers.push_back(std::move(layer));
  CurrentLayer = GetLayersCount() - 1;
  NotifyBitmapChanged();
  Update();
  return CurrentLayer;
}

void FakePictavoView::LayersMergeAll() {
  Calls.push_back("LayersMergeAll");
  LayersClear();
}

void FakePictavoView::LayersDrawTo(TPVBitmap& Bitmap) { Bitmap.Assign(Layers[0]->Bitmap.get()); }

void FakePictavoView::LoadLayersFromFile(const std::string& FileName) {
  Calls.push_back("LoadLayersFromFile " + FileName);
}

void FakePictavoView::LoadLayersFromStream(TStream*) { Calls.push_back("LoadLayersFromStream"); }

void FakePictavoView::SaveSelectionToStream(TStream* Stream) {
  WriteByte(Stream, Selected ? 1 : 0);
  WriteInt32(Stream, GetPolySelCount());
  for (const TPoint& point : Polygon) {
    WriteInt32(Stream, point.x);
    WriteInt32(Stream, point.y);
  }
  TPVBitmap bits;
  const bool hasMask = SelectionMask.BitsPerPixel != 0 && bits.CopyFromMask(&SelectionMask);
  WriteByte(Stream, hasMask ? 1 : 0);
  if (hasMask) bits.SaveRawToStream(Stream);
}

bool FakePictavoView::LoadSelectionFromStream(TStream* Stream, int32_t Mode) {
  LastSelectionMode = Mode;
  uint8_t selected = 0, hasMask = 0;
  int32_t count = 0;
  if (!ReadByte(Stream, selected) || !ReadInt32(Stream, count) || count < 0 ||
      int64_t{count} * 8 > Stream->GetSize() - Stream->GetPosition())
    return false;
  std::vector<TPoint> points(static_cast<size_t>(count));
  for (TPoint& point : points)
    if (!ReadInt32(Stream, point.x) || !ReadInt32(Stream, point.y)) return false;
  if (!ReadByte(Stream, hasMask)) return false;
  if (hasMask) {
    TPVBitmap bits;
    if (!bits.LoadRawFromStream(Stream) || !bits.CopyToMask(SelectionMask)) return false;
  }
  Selected = selected != 0;
  Polygon = std::move(points);
  Update();
  return true;
}

void FakePictavoView::UnlockUpdateSilently() {
  if (UpdateLock > 0) --UpdateLock;
}

void FakePictavoView::Blank() {
  TPVBitmap* bitmap = GetPVBitmap();
  if (bitmap->Allocate(1, 1, pv24RGB)) bitmap->Fill(GetBackground());
}

void FakePictavoView::SetViewXY(int32_t X, int32_t Y) {
  ViewX = X;
  ViewY = Y;
}

// ---- FakePictavoVect ----

void FakePictavoVect::SaveToStreamPVV(TStream* Stream) {
  Stream->WriteBuffer(kPVVSignature, sizeof(kPVVSignature));
  WriteInt32(Stream, static_cast<int32_t>(Objects.size()));
  Stream->WriteBuffer(Objects.data(), static_cast<int32_t>(Objects.size()));
}

bool FakePictavoVect::LoadFromStreamPVV(TStream* Stream) {
  char signature[sizeof(kPVVSignature)];
  int32_t length = 0;
  if (Stream->Read(signature, sizeof(signature)) != static_cast<int32_t>(sizeof(signature)) ||
      std::memcmp(signature, kPVVSignature, sizeof(signature)) != 0 || !ReadInt32(Stream, length) ||
      length < 0 || length > Stream->GetSize() - Stream->GetPosition())
    return false;
  std::string objects(static_cast<size_t>(length), '\0');
  if (Stream->Read(objects.data(), length) != length) return false;
  Objects = std::move(objects);
  return true;
}

void FakePictavoVect::SaveAllToStream(TStream* Stream, int32_t Codec) {
  LastCodec = Codec;
  const int64_t start = Stream->GetPosition();
  WriteInt32(Stream, 0);
  WriteInt32(Stream, GetLayersCount());
  for (auto& layer : Layers) layer->SaveToStream(Stream, true);
  const int64_t vectors = Stream->GetPosition();
  Stream->SetPosition(start);
  WriteInt32(Stream, static_cast<int32_t>(vectors - start));
  Stream->SetPosition(vectors);
  SaveToStreamPVV(Stream);
}

bool FakePictavoVect::LoadAllFromStream(TStream* Stream) {
  const int64_t start = Stream->GetPosition();
  int32_t offset = 0, count = 0;
  if (!ReadInt32(Stream, offset) || !ReadInt32(Stream, count) || count < 1 || count > 1000)
    return false;
  std::vector<std::unique_ptr<FakeLayer>> layers;
  for (int32_t i = 0; i < count; ++i) {
    layers.push_back(std::make_unique<FakeLayer>());
    layers.back()->LoadFromStream(Stream);
  }
  Stream->SetPosition(start + offset);
  if (!LoadFromStreamPVV(Stream)) return false;
  Layers = std::move(layers);
  CurrentLayer = 0;
  NotifyBitmapChanged();
  return true;
}

void FakePictavoVect::LoadFromFilePVV(const std::string& FileName) {
  Calls.push_back("LoadFromFilePVV " + FileName);
}

void FakePictavoVect::LoadAllFromFile(const std::string& FileName) {
  Calls.push_back("LoadAllFromFile " + FileName);
}

}  // namespace calmora::test
