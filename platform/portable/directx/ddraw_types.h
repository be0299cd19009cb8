// The portable platform's declarations of the DirectDraw and Direct3D names
// Nightwick uses. Records keep the platform's field order and value meanings;
// interfaces list the methods the program calls, in the platform's order.
//
// On Windows (the built-in display of the scaled program) they sit on the
// system's own Win32 and COM declarations; elsewhere on the stand-in's.
#pragma once

#ifdef _WIN32
#include <unknwn.h>
#include <windows.h>
#else
#include "../win32/windows_types.h"
#endif

using D3DVALUE = float;
using D3DCOLORMODEL = DWORD;

// Surface description flags.
#define DDSD_CAPS 0x00000001u
#define DDSD_HEIGHT 0x00000002u
#define DDSD_WIDTH 0x00000004u
#define DDSD_PITCH 0x00000008u
#define DDSD_BACKBUFFERCOUNT 0x00000020u
#define DDSD_ZBUFFERBITDEPTH 0x00000040u
#define DDSD_LPSURFACE 0x00000800u
#define DDSD_PIXELFORMAT 0x00001000u

// Surface capabilities.
#define DDSCAPS_BACKBUFFER 0x00000004u
#define DDSCAPS_COMPLEX 0x00000008u
#define DDSCAPS_FLIP 0x00000010u
#define DDSCAPS_FRONTBUFFER 0x00000020u
#define DDSCAPS_OFFSCREENPLAIN 0x00000040u
#define DDSCAPS_PALETTE 0x00000100u
#define DDSCAPS_PRIMARYSURFACE 0x00000200u
#define DDSCAPS_SYSTEMMEMORY 0x00000800u
#define DDSCAPS_3DDEVICE 0x00002000u
#define DDSCAPS_VIDEOMEMORY 0x00004000u
#define DDSCAPS_ZBUFFER 0x00020000u

// Pixel format flags.
#define DDPF_ALPHAPIXELS 0x00000001u
#define DDPF_PALETTEINDEXED8 0x00000020u
#define DDPF_RGB 0x00000040u
#define DDPF_ZBUFFER 0x00000400u

// Cooperative levels.
#define DDSCL_FULLSCREEN 0x00000001u
#define DDSCL_ALLOWREBOOT 0x00000002u
#define DDSCL_NOWINDOWCHANGES 0x00000004u
#define DDSCL_NORMAL 0x00000008u
#define DDSCL_EXCLUSIVE 0x00000010u
#define DDSCL_ALLOWMODEX 0x00000040u

// Palette capabilities.
#define DDPCAPS_8BIT 0x00000004u
#define DDPCAPS_INITIALIZE 0x00000008u
#define DDPCAPS_ALLOW256 0x00000040u

#define DDLOCK_WAIT 0x00000001u
#define DDBLTFAST_NOCOLORKEY 0x00000000u
#define DDBLTFAST_WAIT 0x00000010u
#define DDFLIP_WAIT 0x00000001u

// Bit depth flags, as device descriptions report them.
#define DDBD_8 0x00000800u
#define DDBD_16 0x00000400u
#define DDBD_24 0x00000200u
#define DDBD_32 0x00000100u

#define D3DDEVCAPS_HWRASTERIZATION 0x00080000u
#define D3DCOLOR_RGB 2u
#define D3DENUMRET_CANCEL 0
#define D3DENUMRET_OK 1

#define NIGHTWICK_DDHRESULT(code) (static_cast<HRESULT>(0x88760000u + (code)))
#define DD_OK S_OK
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_NOTINITIALIZED CO_E_NOTINITIALIZED
#define DDERR_CANNOTATTACHSURFACE NIGHTWICK_DDHRESULT(10)
#define DDERR_INVALIDCAPS NIGHTWICK_DDHRESULT(100)
#define DDERR_INVALIDMODE NIGHTWICK_DDHRESULT(120)
#define DDERR_INVALIDOBJECT NIGHTWICK_DDHRESULT(130)
#define DDERR_INVALIDPIXELFORMAT NIGHTWICK_DDHRESULT(145)
#define DDERR_INVALIDRECT NIGHTWICK_DDHRESULT(150)
#define DDERR_NOCOOPERATIVELEVELSET NIGHTWICK_DDHRESULT(212)
#define DDERR_NODIRECTDRAWSUPPORT NIGHTWICK_DDHRESULT(222)
#define DDERR_NOEXCLUSIVEMODE NIGHTWICK_DDHRESULT(225)
#define DDERR_NOFLIPHW NIGHTWICK_DDHRESULT(230)
#define DDERR_NOTFOUND NIGHTWICK_DDHRESULT(255)
#define DDERR_NOZBUFFERHW NIGHTWICK_DDHRESULT(340)
#define DDERR_SURFACEALREADYATTACHED NIGHTWICK_DDHRESULT(410)
#define DDERR_SURFACEBUSY NIGHTWICK_DDHRESULT(430)
#define DDERR_SURFACELOST NIGHTWICK_DDHRESULT(450)
#define DDERR_SURFACENOTATTACHED NIGHTWICK_DDHRESULT(460)
#define DDERR_PRIMARYSURFACEALREADYEXISTS NIGHTWICK_DDHRESULT(564)
#define DDERR_NOPALETTEATTACHED NIGHTWICK_DDHRESULT(572)
#define DDERR_NOTFLIPPABLE NIGHTWICK_DDHRESULT(582)
#define DDERR_NOTLOCKED NIGHTWICK_DDHRESULT(584)
#define DDERR_NOTPALETTIZED NIGHTWICK_DDHRESULT(589)
#define DDERR_UNSUPPORTEDMODE NIGHTWICK_DDHRESULT(590)
#define DDERR_WASSTILLDRAWING NIGHTWICK_DDHRESULT(540)
#define DDERR_WRONGMODE NIGHTWICK_DDHRESULT(587)
#define DDERR_IMPLICITLYCREATED NIGHTWICK_DDHRESULT(588)

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

struct DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    union {
        DWORD dwRGBBitCount;
        DWORD dwZBufferBitDepth;
        DWORD dwAlphaBitDepth;
    };
    union {
        DWORD dwRBitMask;
        DWORD dwStencilBitDepth;
    };
    union {
        DWORD dwGBitMask;
        DWORD dwZBitMask;
    };
    union {
        DWORD dwBBitMask;
        DWORD dwStencilBitMask;
    };
    union {
        DWORD dwRGBAlphaBitMask;
        DWORD dwRGBZBitMask;
    };
};
using LPDDPIXELFORMAT = DDPIXELFORMAT*;

struct DDSCAPS {
    DWORD dwCaps;
};

struct DDSCAPS2 {
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
};
using LPDDSCAPS2 = DDSCAPS2*;

// The description of DirectDraw 5 and earlier interfaces.
struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    union {
        LONG lPitch;
        DWORD dwLinearSize;
    };
    DWORD dwBackBufferCount;
    union {
        DWORD dwMipMapCount;
        DWORD dwZBufferBitDepth;
        DWORD dwRefreshRate;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};

// The description of the DirectDraw 4 and 7 interfaces; the leading fields
// sit where the older record has them.
struct DDSURFACEDESC2 {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    union {
        LONG lPitch;
        DWORD dwLinearSize;
    };
    union {
        DWORD dwBackBufferCount;
        DWORD dwDepth;
    };
    union {
        DWORD dwMipMapCount;
        DWORD dwRefreshRate;
        DWORD dwSrcVBHandle;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    union {
        DDCOLORKEY ddckCKDestOverlay;
        DWORD dwEmptyFaceColor;
    };
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    union {
        DDPIXELFORMAT ddpfPixelFormat;
        DWORD dwFVF;
    };
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
};
using LPDDSURFACEDESC2 = DDSURFACEDESC2*;

struct D3DPRIMCAPS {
    DWORD dwSize;
    DWORD dwMiscCaps;
    DWORD dwRasterCaps;
    DWORD dwZCmpCaps;
    DWORD dwSrcBlendCaps;
    DWORD dwDestBlendCaps;
    DWORD dwAlphaCmpCaps;
    DWORD dwShadeCaps;
    DWORD dwTextureCaps;
    DWORD dwTextureFilterCaps;
    DWORD dwTextureBlendCaps;
    DWORD dwTextureAddressCaps;
    DWORD dwStippleWidth;
    DWORD dwStippleHeight;
};

struct D3DTRANSFORMCAPS {
    DWORD dwSize;
    DWORD dwCaps;
};

struct D3DLIGHTINGCAPS {
    DWORD dwSize;
    DWORD dwCaps;
    DWORD dwLightingModel;
    DWORD dwNumLights;
};

// Device description of the Direct3D 2 and 3 interfaces (leading fields).
struct D3DDEVICEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    D3DCOLORMODEL dcmColorModel;
    DWORD dwDevCaps;
    D3DTRANSFORMCAPS dtcTransformCaps;
    BOOL bClipping;
    D3DLIGHTINGCAPS dlcLightingCaps;
    D3DPRIMCAPS dpcLineCaps;
    D3DPRIMCAPS dpcTriCaps;
    DWORD dwDeviceRenderBitDepth;
    DWORD dwDeviceZBufferBitDepth;
    DWORD dwMaxBufferSize;
    DWORD dwMaxVertexCount;
};
using LPD3DDEVICEDESC = D3DDEVICEDESC*;

// Device description of the Direct3D 7 interface (the fields up to the GUID).
struct D3DDEVICEDESC7 {
    DWORD dwDevCaps;
    D3DPRIMCAPS dpcLineCaps;
    D3DPRIMCAPS dpcTriCaps;
    DWORD dwDeviceRenderBitDepth;
    DWORD dwDeviceZBufferBitDepth;
    DWORD dwMinTextureWidth, dwMinTextureHeight;
    DWORD dwMaxTextureWidth, dwMaxTextureHeight;
    DWORD dwMaxTextureRepeat;
    DWORD dwMaxTextureAspectRatio;
    DWORD dwMaxAnisotropy;
    D3DVALUE dvGuardBandLeft;
    D3DVALUE dvGuardBandTop;
    D3DVALUE dvGuardBandRight;
    D3DVALUE dvGuardBandBottom;
    D3DVALUE dvExtentsAdjust;
    DWORD dwStencilCaps;
    DWORD dwFVFCaps;
    DWORD dwTextureOpCaps;
    WORD wMaxTextureBlendStages;
    WORD wMaxSimultaneousTextures;
    DWORD dwMaxActiveLights;
    D3DVALUE dvMaxVertexW;
    GUID deviceGUID;
};
using LPD3DDEVICEDESC7 = D3DDEVICEDESC7*;

struct D3DVIEWPORT2 {
    DWORD dwSize;
    DWORD dwX;
    DWORD dwY;
    DWORD dwWidth;
    DWORD dwHeight;
    D3DVALUE dvClipX;
    D3DVALUE dvClipY;
    D3DVALUE dvClipWidth;
    D3DVALUE dvClipHeight;
    D3DVALUE dvMinZ;
    D3DVALUE dvMaxZ;
};

struct D3DVIEWPORT7 {
    DWORD dwX;
    DWORD dwY;
    DWORD dwWidth;
    DWORD dwHeight;
    D3DVALUE dvMinZ;
    D3DVALUE dvMaxZ;
};

using LPD3DENUMDEVICESCALLBACK = HRESULT(CALLBACK*)(GUID* guid, char* description, char* name, D3DDEVICEDESC* hardware,
                                                    D3DDEVICEDESC* software, void* context);
using LPD3DENUMDEVICESCALLBACK7 = HRESULT(CALLBACK*)(char* description, char* name, D3DDEVICEDESC7* desc,
                                                     void* context);

#ifndef _WIN32
extern const IID IID_IUnknown;
#endif
extern const IID IID_IDirectDraw;
extern const IID IID_IDirectDraw2;
extern const IID IID_IDirectDraw4;
extern const IID IID_IDirectDraw7;
extern const IID IID_IDirect3D2;
extern const IID IID_IDirect3D3;
extern const IID IID_IDirect3D7;
extern const IID IID_IDirect3DHALDevice;
extern const IID IID_IDirect3DRGBDevice;

#ifndef _WIN32
struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;
#endif

struct IDirectDrawSurface7;
struct IDirectDrawPalette;
struct IDirectDrawClipper;
using LPDIRECTDRAWSURFACE7 = IDirectDrawSurface7*;
using LPDIRECTDRAWPALETTE = IDirectDrawPalette*;
using LPDIRECTDRAWCLIPPER = IDirectDrawClipper*;

// The object "DirectDrawCreate" makes; the program only asks it for newer
// interfaces and releases it.
struct IDirectDraw : IUnknown {
protected:
    ~IDirectDraw() = default;
};
using LPDIRECTDRAW = IDirectDraw*;

struct IDirectDraw7 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* surface,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE FlipToGDISurface() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh,
                                                     DWORD flags) = 0;

protected:
    ~IDirectDraw7() = default;
};
using LPDIRECTDRAW7 = IDirectDraw7*;
// The newer interfaces the program reaches through the old object keep these
// methods at the same places.
using IDirectDraw4 = IDirectDraw7;
using IDirectDraw2 = IDirectDraw7;

struct IDirectDrawSurface7 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE7 surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, LPRECT source_rect,
                                              DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE7 surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC2 desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsLost() = 0;
    virtual HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) = 0;
    virtual HRESULT STDMETHODCALLTYPE Restore() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unlock(LPRECT rect) = 0;

protected:
    ~IDirectDrawSurface7() = default;
};
// Older surface interfaces keep these methods at the same places.
using IDirectDrawSurface4 = IDirectDrawSurface7;
using IDirectDrawSurface = IDirectDrawSurface7;

struct IDirectDrawPalette : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) = 0;

protected:
    ~IDirectDrawPalette() = default;
};

struct IDirectDrawClipper : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetHWnd(DWORD flags, HWND window) = 0;

protected:
    ~IDirectDrawClipper() = default;
};

struct IDirect3DDevice7 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetViewport(D3DVIEWPORT7* viewport) = 0;

protected:
    ~IDirect3DDevice7() = default;
};

struct IDirect3DViewport3 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetViewport2(D3DVIEWPORT2* viewport) = 0;

protected:
    ~IDirect3DViewport3() = default;
};
using IDirect3DViewport2 = IDirect3DViewport3;

struct IDirect3DDevice3 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddViewport(IDirect3DViewport3* viewport) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCurrentViewport(IDirect3DViewport3* viewport) = 0;

protected:
    ~IDirect3DDevice3() = default;
};
using IDirect3DDevice2 = IDirect3DDevice3;

struct IDirect3D7 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID device, LPDIRECTDRAWSURFACE7 surface,
                                                   IDirect3DDevice7** out) = 0;

protected:
    ~IDirect3D7() = default;
};

struct IDirect3D3 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateViewport(IDirect3DViewport3** viewport, IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID device, IDirectDrawSurface4* surface,
                                                   IDirect3DDevice3** out, IUnknown* outer) = 0;

protected:
    ~IDirect3D3() = default;
};

struct IDirect3D2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateViewport(IDirect3DViewport2** viewport, IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID device, IDirectDrawSurface* surface,
                                                   IDirect3DDevice2** out) = 0;

protected:
    ~IDirect3D2() = default;
};
