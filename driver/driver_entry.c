/* Cfgprobe64.sys, the kernel access driver of the access library: the device
 * "\Device\KxACS" with the link "\DosDevices\KxACS", for the system and
 * administrators only and for one handle at a time; create, close and the control
 * requests (access_requests.c) on the hardware table the build chose. */
#include <ntifs.h>

#include "access_requests.h"
#include "driver_hardware.h"

DRIVER_INITIALIZE DriverEntry;

static const WCHAR kDeviceName[] = L"\\Device\\KxACS";
static const WCHAR kLinkName[] = L"\\DosDevices\\KxACS";
static const ULONG kPoolTag = 0x7341784B; /* "KxAs" */

/* The two accounts the device admits, written out rather than taken from the
 * kernel's exported table (which not every kernel fills): S-1-5-18, the system,
 * and S-1-5-32-544, the administrators. */
typedef struct WellKnownSid {
  UCHAR revision;
  UCHAR subAuthorityCount;
  SID_IDENTIFIER_AUTHORITY authority;
  ULONG subAuthority[2];
} WellKnownSid;

static const WellKnownSid kSystemSid = {SID_REVISION, 1, {SECURITY_NT_AUTHORITY}, {SECURITY_LOCAL_SYSTEM_RID, 0}};
static const WellKnownSid kAdministratorsSid = {
    SID_REVISION, 2, {SECURITY_NT_AUTHORITY}, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};

/* Everything but the system and the administrators is shut out: a protected DACL
 * of two entries, full file access for SY and for BA (the SDDL
 * D:P(A;;GA;;;SY)(A;;GA;;;BA), GA mapped for a file object), set on the device
 * object as IoCreateDeviceSecure does. */
static NTSTATUS restrictToAdministrators(PDEVICE_OBJECT device) {
  PSID system = (PSID)&kSystemSid, admins = (PSID)&kAdministratorsSid;
  ULONG aclSize = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(ULONG)) + RtlLengthSid(system) +
                  RtlLengthSid(admins);
  PACL acl = ExAllocatePoolWithTag(PagedPool, aclSize, kPoolTag);
  if (!acl) return STATUS_INSUFFICIENT_RESOURCES;
  SECURITY_DESCRIPTOR descriptor;
  NTSTATUS status = RtlCreateAcl(acl, aclSize, ACL_REVISION);
  if (NT_SUCCESS(status)) status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, system);
  if (NT_SUCCESS(status)) status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, admins);
  if (NT_SUCCESS(status)) status = RtlCreateSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  if (NT_SUCCESS(status)) status = RtlSetDaclSecurityDescriptor(&descriptor, TRUE, acl, FALSE);
  HANDLE handle = NULL;
  if (NT_SUCCESS(status))
    status = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, NULL, WRITE_DAC, NULL, KernelMode, &handle);
  if (NT_SUCCESS(status)) {
    status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 &descriptor);
    ZwClose(handle);
  }
  ExFreePoolWithTag(acl, kPoolTag);
  return status;
}

static NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

/* One handle at a time. The device is created exclusive, which the I/O manager
 * enforces; the driver also keeps to it itself: the file object of the one open
 * handle owns the device, and requests that come on any other are refused before
 * they reach the hardware. Only an open of the device itself (no name after it)
 * that asks to read and write data may own it, so that a handle opened for
 * nothing else (to query it, say) cannot lock the library out. */
static PVOID volatile owner;

/* Requests are served one at a time, whichever thread sends them: a block program
 * is a sequence of flash cycles that another request must not break into. The
 * windows the driver found (access_requests.h) are kept under the same lock. A
 * fast mutex rather than a guarded one, which Wine's kernel does not have: the
 * same exclusion, at APC level. */
static FAST_MUTEX serving;
static AccessReach reach;

/* The data access a create asks for, with the generic rights as a file maps them. */
static ACCESS_MASK dataAccess(ACCESS_MASK desired) {
  ACCESS_MASK data = desired & (FILE_READ_DATA | FILE_WRITE_DATA);
  if (desired & (GENERIC_READ | GENERIC_ALL | MAXIMUM_ALLOWED)) data |= FILE_READ_DATA;
  if (desired & (GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED)) data |= FILE_WRITE_DATA;
  return data;
}

static NTSTATUS NTAPI open(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  const PFILE_OBJECT file = stack->FileObject;
  if (file->FileName.Length != 0) return complete(irp, STATUS_OBJECT_NAME_NOT_FOUND, 0);
  /* Windows always passes the create's security context; a host that passes none
   * (Wine's device manager) leaves the access unknown, and there it is not asked. */
  const PIO_SECURITY_CONTEXT security = stack->Parameters.Create.SecurityContext;
  if (security && dataAccess(security->DesiredAccess) != (FILE_READ_DATA | FILE_WRITE_DATA))
    return complete(irp, STATUS_ACCESS_DENIED, 0);
  if (InterlockedCompareExchangePointer(&owner, file, NULL) != NULL) return complete(irp, STATUS_ACCESS_DENIED, 0);
  return complete(irp, STATUS_SUCCESS, 0);
}

/* The owner's last handle has closed (cleanup) or its file object has gone
 * (close): either gives the device up. */
static NTSTATUS NTAPI release(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  InterlockedCompareExchangePointer(&owner, NULL, IoGetCurrentIrpStackLocation(irp)->FileObject);
  return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI control(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->FileObject != owner) return complete(irp, STATUS_ACCESS_DENIED, 0);
  const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  uint32_t returned = 0;
  ExAcquireFastMutex(&serving);
  const uint32_t status = serveAccessRequest(driverHardware(), &reach, code, irp->AssociatedIrp.SystemBuffer,
                                             stack->Parameters.DeviceIoControl.InputBufferLength,
                                             stack->Parameters.DeviceIoControl.OutputBufferLength, &returned);
  ExReleaseFastMutex(&serving);
  return complete(irp, (NTSTATUS)status, returned);
}

static VOID NTAPI unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, kLinkName);
  IoDeleteSymbolicLink(&link);
  if (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
  driverHardwareUnloading();
}

/* The dispatch table and the unload routine are in place before the device and its
 * link exist, so that no request and no unload can find them missing. Opening the
 * device touches no hardware: the windows are looked up at the first memory request. */
NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  (void)registryPath;
  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, kDeviceName);
  RtlInitUnicodeString(&link, kLinkName);
  ExInitializeFastMutex(&serving);
  driver->MajorFunction[IRP_MJ_CREATE] = open;
  driver->MajorFunction[IRP_MJ_CLEANUP] = release;
  driver->MajorFunction[IRP_MJ_CLOSE] = release;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = control;
  driver->DriverUnload = unload;
  driverHardwareStarted();
  PDEVICE_OBJECT device = NULL;
  NTSTATUS status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, TRUE, &device);
  if (!NT_SUCCESS(status)) return status;
  /* A device the system could not secure is not offered at all. */
  status = restrictToAdministrators(device);
  if (NT_SUCCESS(status)) status = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(device);
    return status;
  }
  return STATUS_SUCCESS;
}
