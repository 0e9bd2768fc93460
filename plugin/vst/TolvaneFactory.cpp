// SPDX-License-Identifier: GPL-3.0-or-later
// The module's factory: the two classes a host creates, with the identity
// hosts store in their projects. The platform's module entry and exit come
// from the SDK.
#include "public.sdk/source/main/pluginfactory.h"

#include "TolvaneIds.h"
#include "TolvaneVSTController.h"
#include "TolvaneVSTProcessor.h"

using namespace Steinberg::Vst::Tolvane;

BEGIN_FACTORY(kVendor, kVendorUrl, kVendorEmail, PFactoryInfo::kUnicode)

DEF_CLASS2(INLINE_UID_FROM_FUID(kProcessorUID), PClassInfo::kManyInstances, kVstAudioEffectClass, kProcessorName,
           Vst::kDistributable, kSubCategories, kVersion, kSdkVersion,
           Steinberg::Vst::TolvaneVSTProcessor::createInstance)

DEF_CLASS2(INLINE_UID_FROM_FUID(kControllerUID), PClassInfo::kManyInstances, kVstComponentControllerClass,
           kControllerName, 0, "", kVersion, kSdkVersion, Steinberg::Vst::TolvaneVSTController::createInstance)

END_FACTORY
