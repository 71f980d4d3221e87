// nameobject: the configuration objects of an access-control installation, in memory and in
// step with the installation database. A host includes this one header (the headers below
// are listed by layer, lowest first).
#pragma once

#include "platform/Buffer.h"
#include "platform/BufferIO.h"
#include "platform/CString.h"
#include "platform/ClientManager.h"
#include "platform/Config.h"
#include "platform/Database.h"
#include "platform/DebugOutput.h"
#include "platform/DynamicLibrary.h"
#include "platform/Language.h"
#include "platform/OleDateTime.h"
#include "platform/OperationLog.h"
#include "platform/RuntimeClass.h"
#include "platform/StringFormat.h"
#include "platform/Variant.h"
#include "platform/Version.h"

#include "registry/Checksum.h"
#include "registry/ClassRegistry.h"
#include "registry/IdAllocator.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

#include "core/ClassFrame.h"
#include "core/NameObject.h"
#include "core/NameObjectRow.h"
#include "core/ObjectKey.h"
#include "core/RestData.h"
#include "core/ResultCodes.h"
#include "core/Sections.h"

#include "notify/ClassHookManager.h"
#include "notify/ObjectNotify.h"
#include "notify/ObjectNotifyManager.h"

#include "membership/AccessObject.h"
#include "membership/Container.h"
#include "membership/RelationIndex.h"

#include "areas/Area.h"
#include "areas/AreaAlarmLinkageAction.h"
#include "areas/AreaGroup.h"

#include "operators/AdminActor.h"
#include "operators/OndutyGroupMJ.h"
#include "operators/OndutyPrivilege.h"
#include "operators/Operator.h"
#include "operators/OperatorGroup.h"
#include "operators/PrivilegeBase.h"
#include "operators/PrivilegeLock.h"
#include "operators/PrivilegeObject.h"
#include "operators/PrivilegeQuery.h"
#include "operators/ServiceGroupMJ.h"
#include "operators/ServicePrivilege.h"
#include "operators/SysManagerGroupMJ.h"
#include "operators/SysManagerPrivilege.h"

#include "misc/ArticleBase.h"
#include "misc/OptionBase.h"
#include "misc/LINameObject.h"
#include "misc/SocialSecurity.h"

#include "startup/Startup.h"
