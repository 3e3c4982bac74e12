// The host's object interfaces behind the client: the "PCB" server module, the
// PCB server with its board, layer stack, layer, dielectric and via objects,
// and the objects for file paths.
#include "sim/brondel/Interfaces.h"

#include <algorithm>
#include <memory>
#include <string>

#include "sim/brondel/HostState.h"
#include "sim/common/HostObject.h"
#include "sim/common/Unaligned.h"
#include "sim/common/WideText.h"

namespace sim {
namespace {

// An interface out-pointer: set to none first, so that a failing call never
// leaves a stale value behind.
template <typename T>
bool Clear(T** out) {
  if (out == nullptr) return false;
  *out = nullptr;
  return true;
}

class DielectricObject final : public HostObject<IPcbDielectric> {
 public:
  DielectricObject(std::shared_ptr<Board> board, LayerNumber layer) : board_(std::move(board)), layer_(layer) {}

  THostResult TQ_STDCALL GetHeight(std::int32_t* height) override {
    if (Fails(THostOperation::IPcbDielectric_GetHeight, Number()) || height == nullptr) return kHostFail;
    StoreTo(height, Entry().height);
    return kHostOk;
  }
  THostResult TQ_STDCALL GetConstant(double* constant) override {
    if (Fails(THostOperation::IPcbDielectric_GetConstant, Number()) || constant == nullptr) return kHostFail;
    StoreTo(constant, Entry().constant);
    return kHostOk;
  }
  THostResult TQ_STDCALL GetMaterial(char16_t* buffer, std::int32_t capacity) override {
    if (Fails(THostOperation::IPcbDielectric_GetMaterial, Number())) return kHostFail;
    return CopyToWideBuffer(WidenHostText(Entry().material), buffer, capacity) ? kHostOk : kHostFail;
  }

 private:
  std::int32_t Number() const { return layer_; }
  const Dielectric& Entry() const { return board_->Layer(layer_).dielectric; }
  std::shared_ptr<Board> board_;
  LayerNumber layer_;
};

class LayerObject final : public HostObject<IPcbLayer> {
 public:
  LayerObject(std::shared_ptr<Board> board, LayerNumber layer) : board_(std::move(board)), layer_(layer) {}
  LayerNumber Number() const { return layer_; }
  const Board* Owner() const { return board_.get(); }
  // The layer number of a layer object, for the trace (-1: not a layer of ours).
  static std::int32_t NumberOf(const IPcbLayer* layer) {
    const auto* object = dynamic_cast<const LayerObject*>(layer);
    return object != nullptr ? object->Number() : -1;
  }

  THostResult TQ_STDCALL GetLayerNumber(std::uint8_t* layer) override {
    if (Fails(THostOperation::IPcbLayer_GetLayerNumber, Number()) || layer == nullptr) return kHostFail;
    *layer = layer_;
    return kHostOk;
  }
  THostResult TQ_STDCALL GetName(char16_t* buffer, std::int32_t capacity) override {
    if (Fails(THostOperation::IPcbLayer_GetName, Number())) return kHostFail;
    return CopyToWideBuffer(WidenHostText(board_->Layer(layer_).name), buffer, capacity) ? kHostOk : kHostFail;
  }
  THostResult TQ_STDCALL GetCopperThickness(std::int32_t* thickness) override {
    if (Fails(THostOperation::IPcbLayer_GetCopperThickness, Number()) || thickness == nullptr) return kHostFail;
    StoreTo(thickness, board_->Layer(layer_).copper);
    return kHostOk;
  }
  THostResult TQ_STDCALL GetDielectric(IPcbDielectric** dielectric) override {
    if (!Clear(dielectric) || Fails(THostOperation::IPcbLayer_GetDielectric, Number())) return kHostFail;
    *dielectric = new DielectricObject(board_, layer_);
    return kHostOk;
  }
  THostResult TQ_STDCALL GetIsPresent(std::uint8_t* present) override {
    if (Fails(THostOperation::IPcbLayer_GetIsPresent, Number()) || present == nullptr) return kHostFail;
    *present = board_->Layer(layer_).present ? 1 : 0;
    return kHostOk;
  }

 private:
  std::shared_ptr<Board> board_;
  LayerNumber layer_;
};

class LayerStackObject final : public HostObject<IPcbLayerStack> {
  static std::int32_t AfterNumber(const IPcbLayer* after) { return LayerObject::NumberOf(after); }

 public:
  explicit LayerStackObject(std::shared_ptr<Board> board) : board_(std::move(board)) {}

  THostResult TQ_STDCALL FirstLayer(IPcbLayer** layer) override {
    if (!Clear(layer) || Fails(THostOperation::IPcbLayerStack_FirstLayer)) return kHostFail;
    const std::vector<LayerNumber> order = board_->StackOrder();
    if (!order.empty()) *layer = new LayerObject(board_, order.front());
    return kHostOk;
  }
  THostResult TQ_STDCALL NextLayer(IPcbLayer* after, IPcbLayer** layer) override {
    if (!Clear(layer) || Fails(THostOperation::IPcbLayerStack_NextLayer, AfterNumber(after))) return kHostFail;
    // Only a layer object of this board tells where in the stack it stands.
    const auto* from = dynamic_cast<const LayerObject*>(after);
    if (from == nullptr || from->Owner() != board_.get()) return kHostFail;
    const std::vector<LayerNumber> order = board_->StackOrder();
    auto it = std::find(order.begin(), order.end(), from->Number());
    if (it != order.end() && ++it != order.end()) *layer = new LayerObject(board_, *it);
    return kHostOk;
  }
  THostResult TQ_STDCALL LayerForCode(std::uint32_t layerCode, IPcbLayer** layer) override {
    if (!Clear(layer) || Fails(THostOperation::IPcbLayerStack_LayerForCode, layerCode)) return kHostFail;
    // Every classic layer has an entry, in the stack or not.
    if (layerCode >= 1 && layerCode <= kLastLayer)
      *layer = new LayerObject(board_, static_cast<LayerNumber>(layerCode));
    return kHostOk;
  }

 private:
  std::shared_ptr<Board> board_;
};

class BoardObject final : public HostObject<IPcbBoard> {
 public:
  explicit BoardObject(std::shared_ptr<Board> board) : board_(std::move(board)) {}

  THostResult TQ_STDCALL GetObjectKind(std::uint8_t* kind) override {
    if (Fails(THostOperation::IPcbBoard_GetObjectKind) || kind == nullptr) return kHostFail;
    *kind = static_cast<std::uint8_t>(Kind::Board);
    return kHostOk;
  }
  THostResult TQ_STDCALL GetLayerStack(IPcbLayerStack** stack) override {
    if (!Clear(stack) || Fails(THostOperation::IPcbBoard_GetLayerStack)) return kHostFail;
    *stack = new LayerStackObject(board_);
    return kHostOk;
  }

 protected:
  bool Answers(const TGuid& iid) const override { return iid == IID_IPcbBoard; }

 private:
  std::shared_ptr<Board> board_;
};

class ViaObject final : public HostObject<IPcbVia> {
 public:
  ViaObject(std::shared_ptr<Board> board, Handle via) : board_(std::move(board)), via_(via) {}

  THostResult TQ_STDCALL ReachesLayer(std::uint32_t layerCode, std::uint8_t* reaches) override {
    if (Fails(THostOperation::IPcbVia_ReachesLayer, via_, layerCode) || reaches == nullptr) return kHostFail;
    *reaches = Classic(layerCode) && board_->ViaReaches(Via(), static_cast<int>(layerCode)) ? 1 : 0;
    return kHostOk;
  }
  THostResult TQ_STDCALL ConnectsToPlane(std::uint32_t layerCode, std::uint8_t* connects) override {
    if (Fails(THostOperation::IPcbVia_ConnectsToPlane, via_, layerCode) || connects == nullptr) return kHostFail;
    *connects = Classic(layerCode) && board_->ViaPlane(Via(), static_cast<int>(layerCode)).connects ? 1 : 0;
    return kHostOk;
  }
  THostResult TQ_STDCALL ConnectionStyle(std::uint32_t layerCode, std::int32_t* style) override {
    if (Fails(THostOperation::IPcbVia_ConnectionStyle, via_, layerCode) || style == nullptr) return kHostFail;
    std::int32_t answer = kPlaneStyleNone;
    if (Classic(layerCode)) {
      const ViaPlaneConnection c = board_->ViaPlane(Via(), static_cast<int>(layerCode));
      if (c.connects) answer = c.style;
    }
    StoreTo(style, answer);
    return kHostOk;
  }

 protected:
  bool Answers(const TGuid& iid) const override { return iid == IID_IPcbVia; }

 private:
  static bool Classic(std::uint32_t code) { return code >= 1 && code <= kLastLayer; }
  const sim::Via& Via() const { return *board_->FindAs<sim::Via>(via_, Kind::Via); }
  std::shared_ptr<Board> board_;
  Handle via_;  // a via of board_ (checked when the object was made)
};

class PcbServer final : public HostObject<IPcbServer> {
 public:
  PcbServer() : HostObject(false) {}

  THostResult TQ_STDCALL GetCurrentBoard(IPcbBoard** board) override {
    if (!Clear(board) || Fails(THostOperation::IPcbServer_GetCurrentBoard)) return kHostFail;
    if (std::shared_ptr<Board> current = CurrentBoardShared()) *board = new BoardObject(std::move(current));
    return kHostOk;
  }
  THostResult TQ_STDCALL GetInterfaceForHandle(std::int32_t handle, const TGuid& iid, void** out) override {
    if (out == nullptr) return kHostFail;
    *out = nullptr;
    if (Fails(THostOperation::IPcbServer_GetInterfaceForHandle, handle, iid)) return kHostFail;
    std::shared_ptr<Board> current = CurrentBoardShared();
    if (!current) return kHostOk;
    if (iid == IID_IPcbBoard && handle == current->handle()) {
      *out = static_cast<IPcbBoard*>(new BoardObject(std::move(current)));
    } else if (iid == IID_IPcbVia && current->FindAs<Via>(handle, Kind::Via) != nullptr) {
      *out = static_cast<IPcbVia*>(new ViaObject(std::move(current), handle));
    }
    return kHostOk;
  }

 protected:
  bool Answers(const TGuid& iid) const override { return iid == IID_IPcbServer; }
};

class PcbModule final : public HostObject<IHostServerModule> {
 public:
  PcbModule() : HostObject(false) {}
  IPcbServer* Server() { return &server_; }

  // The module answers for the PCB server as well.
  THostResult TQ_STDCALL QueryInterface(const TGuid& iid, void** out) override {
    if (out == nullptr) return kHostFail;
    *out = nullptr;
    if (Fails(THostOperation::IHostServerModule_QueryInterface, iid)) return kHostFail;
    if (iid == IID_IPcbServer) {
      *out = server_.Share();
      return kHostOk;
    }
    return HostObject::QueryInterface(iid, out);
  }

 private:
  PcbServer server_;
};

class DocumentObject final : public HostObject<IHostDocument> {
 public:
  explicit DocumentObject(std::string path) : path_(std::move(path)) {}

  THostResult TQ_STDCALL BeginChange() override {
    return Record("begin", Fails(THostOperation::IHostDocument_BeginChange, std::string_view(path_)));
  }
  THostResult TQ_STDCALL EndChange() override {
    return Record("end", Fails(THostOperation::IHostDocument_EndChange, std::string_view(path_)));
  }

 private:
  THostResult Record(const char* what, bool failed) {
    State().documentLog += std::string(what) + " " + path_ + (failed ? " (failed)" : "") + "\n";
    return failed ? kHostFail : kHostOk;
  }
  std::string path_;  // UTF-8
};

class Client final : public HostObject<IHostClient> {
 public:
  Client() : HostObject(false) {}

  THostResult TQ_STDCALL GetServerModule(const char16_t* name, IHostServerModule** module) override {
    if (!Clear(module) || Fails(THostOperation::IHostClient_GetServerModule, name)) return kHostFail;
    if (ReadWide(name, 64) == u"PCB") *module = module_.Share();
    return kHostOk;
  }
  THostResult TQ_STDCALL GetDocumentForPath(const char16_t* path, IHostDocument** document) override {
    if (!Clear(document) || Fails(THostOperation::IHostClient_GetDocumentForPath, path)) return kHostFail;
    if (path != nullptr && State().documentsAvailable) *document = new DocumentObject(WideToUtf8(ReadWide(path)));
    return kHostOk;
  }

 private:
  PcbModule module_;
};

}  // namespace

IHostClient* TheClient() {
  static Client client;
  return &client;
}

}  // namespace sim
