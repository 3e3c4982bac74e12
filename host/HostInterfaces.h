#pragma once
// The host's object interfaces: the client, the PCB server with its board,
// layer stack, layer, dielectric and via objects, and the workspace with its
// message list.
//
// The layout is COM-compatible on Windows: every interface starts with the
// three IUnknown operations, every operation is stdcall and reports an
// THostResult (0 = success, anything else = failure). Interfaces come out of
// the host with one reference that the receiver releases (THostRef does it).
// Texts cross as NUL-terminated UTF-16 (char16_t); texts coming back are
// written into a buffer that the caller owns, cut to its capacity and always
// terminated. Out-pointers for interfaces receive nullptr for "none".
#include <cstdint>

#include "host/CallConv.h"

using THostResult = std::int32_t;
inline constexpr THostResult kHostOk = 0;
inline constexpr THostResult kHostFail = static_cast<THostResult>(0x80004005u);
inline constexpr THostResult kHostNoInterface = static_cast<THostResult>(0x80004002u);

struct TGuid {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
  friend bool operator==(const TGuid& a, const TGuid& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.Data4[i] != b.Data4[i]) return false;
    return true;
  }
};

// {DE2AC306-06EC-4363-A78F-E6E8BBEF03E2}
inline constexpr TGuid IID_IPcbServer = {0xDE2AC306, 0x06EC, 0x4363, {0xA7, 0x8F, 0xE6, 0xE8, 0xBB, 0xEF, 0x03, 0xE2}};
// {84201336-AE2C-4300-9318-C75F4FD5DE3D}
inline constexpr TGuid IID_IPcbBoard = {0x84201336, 0xAE2C, 0x4300, {0x93, 0x18, 0xC7, 0x5F, 0x4F, 0xD5, 0xDE, 0x3D}};
// {D4DCD79A-4CD5-405D-B567-83C7E0E04F07}
inline constexpr TGuid IID_IPcbVia = {0xD4DCD79A, 0x4CD5, 0x405D, {0xB5, 0x67, 0x83, 0xC7, 0xE0, 0xE0, 0x4F, 0x07}};

struct IHostUnknown {
  virtual THostResult TQ_STDCALL QueryInterface(const TGuid& iid, void** out) = 0;
  virtual std::uint32_t TQ_STDCALL AddRef() = 0;
  virtual std::uint32_t TQ_STDCALL Release() = 0;
};

struct IPcbDielectric : IHostUnknown {
  virtual THostResult TQ_STDCALL GetHeight(std::int32_t* height) = 0;
  virtual THostResult TQ_STDCALL GetConstant(double* constant) = 0;
  virtual THostResult TQ_STDCALL GetMaterial(char16_t* buffer, std::int32_t capacity) = 0;
};

struct IPcbLayer : IHostUnknown {
  // The layer's number as a Layer byte (0..82).
  virtual THostResult TQ_STDCALL GetLayerNumber(std::uint8_t* layer) = 0;
  virtual THostResult TQ_STDCALL GetName(char16_t* buffer, std::int32_t capacity) = 0;
  virtual THostResult TQ_STDCALL GetCopperThickness(std::int32_t* thickness) = 0;
  virtual THostResult TQ_STDCALL GetDielectric(IPcbDielectric** dielectric) = 0;
  // Whether the layer is in use on the board.
  virtual THostResult TQ_STDCALL GetIsPresent(std::uint8_t* present) = 0;
};

struct IPcbLayerStack : IHostUnknown {
  virtual THostResult TQ_STDCALL FirstLayer(IPcbLayer** layer) = 0;
  virtual THostResult TQ_STDCALL NextLayer(IPcbLayer* after, IPcbLayer** layer) = 0;
  // The stack's entry for a layer code, or none.
  virtual THostResult TQ_STDCALL LayerForCode(std::uint32_t layerCode, IPcbLayer** layer) = 0;
};

struct IPcbBoard : IHostUnknown {
  virtual THostResult TQ_STDCALL GetObjectKind(std::uint8_t* kind) = 0;
  virtual THostResult TQ_STDCALL GetLayerStack(IPcbLayerStack** stack) = 0;
};

struct IPcbVia : IHostUnknown {
  virtual THostResult TQ_STDCALL ReachesLayer(std::uint32_t layerCode, std::uint8_t* reaches) = 0;
  virtual THostResult TQ_STDCALL ConnectsToPlane(std::uint32_t layerCode, std::uint8_t* connects) = 0;
  virtual THostResult TQ_STDCALL ConnectionStyle(std::uint32_t layerCode, std::int32_t* style) = 0;
};

struct IPcbServer : IHostUnknown {
  virtual THostResult TQ_STDCALL GetCurrentBoard(IPcbBoard** board) = 0;
  // The interface iid of the object with a host handle (board or via), or none.
  virtual THostResult TQ_STDCALL GetInterfaceForHandle(std::int32_t handle, const TGuid& iid, void** out) = 0;
};

struct IHostDocument : IHostUnknown {
  virtual THostResult TQ_STDCALL BeginChange() = 0;
  virtual THostResult TQ_STDCALL EndChange() = 0;
};

struct IHostServerModule : IHostUnknown {};

struct IHostClient : IHostUnknown {
  virtual THostResult TQ_STDCALL GetServerModule(const char16_t* name, IHostServerModule** module) = 0;
  virtual THostResult TQ_STDCALL GetDocumentForPath(const char16_t* path, IHostDocument** document) = 0;
};

struct IHostMessageList : IHostUnknown {
  virtual THostResult TQ_STDCALL AddMessage(const char16_t* label, const char16_t* text, const char16_t* source,
                                            const char16_t* document, const char16_t* command,
                                            const char16_t* parameters, std::int32_t imageIndex, std::int32_t extra1,
                                            std::int32_t extra2, std::int32_t extra3) = 0;
};

struct IHostWorkspace : IHostUnknown {
  virtual THostResult TQ_STDCALL GetMessageList(IHostMessageList** list) = 0;
};

// Exports through which the interfaces are reached.
using ClientAPI_GetClientInterface_t = IHostClient*(TQ_STDCALL*)();
using GetWorkspace_t = IHostWorkspace*(TQ_STDCALL*)();
inline constexpr const char* kClientInterfaceExport = "ClientAPI_GetClientInterface";
inline constexpr const char* kWorkspaceModuleName = "WorkspaceManager.DLL";
inline constexpr const char* kWorkspaceExport = "GetWorkspace";
