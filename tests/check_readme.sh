#!/usr/bin/env bash
# The user's guide must not promise more than the lock does: disabling the
# storage driver refuses devices plugged in afterwards, not one already in.
readme=${1:?README.md}
status=0
if grep -qiE 'locked at once|takes effect at once' "$readme"; then
  echo "README says locking takes effect at once"; status=1
fi
if ! tr '\n' ' ' <"$readme" | tr -s ' ' | grep -qi 'already plugged in keeps working until it is removed'; then
  echo "README does not say that a device already plugged in keeps working"; status=1
fi
if ! tr '\n' ' ' <"$readme" | tr -s ' ' | grep -qi 'offers to eject them'; then
  echo "README does not say that locking offers to eject the drives already plugged in"; status=1
fi
exit $status
