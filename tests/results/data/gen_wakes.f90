! Expected records of the wake report, the printed wake tables and the table-file
! blocks, written by gfortran with the same descriptor lists and the same 32-bit
! arithmetic as the program, for the cases of tests/results/wake_fixture.hpp:
! triangular bunch, uniform radial lines gr(i) = (i-1)*DDZ.
!   gfortran -O0 gen_wakes.f90 -o gen_wakes && ./gen_wakes > wakes_expected.txt
module wk
  implicit none
  real :: ddz, sig, zh, cnorm
  integer :: mte, nz
contains
  real function shape(z)
    real, intent(in) :: z
    real :: a
    a = abs(z)
    if (a <= sig) then
      shape = sig - a
    else
      shape = 0.0
    end if
  end function
  subroutine calsum()
    integer :: n, k
    real :: z0, zk
    zh = sig
    n = nint(2.0 * zh / ddz)
    z0 = zh - ddz / real(mte)
    cnorm = 0.0
    do k = -(n + nz + 2), n + nz
      zk = z0 + real(k) * ddz
      if (abs(zk) <= zh) cnorm = cnorm + shape(zk)
    end do
  end subroutine
  real function dens(k)
    integer, intent(in) :: k
    integer :: j
    real :: s
    j = (k - 1) * mte
    s = zh + real(0) * ddz - (real(j) * ddz) / real(mte)
    if (abs(s) > zh) then
      dens = 0.0
    else
      dens = shape(s) / (cnorm * ddz)
    end if
  end function
end module

program gen_wakes
  use wk
  implicit none
  real :: wz(40), wt(40), wy(40), wp(40)
  character(8) :: title(9)
  integer :: k, n, irdrive, irp, mrot, nq, kend, nt
  logical :: logt, lnapm1
  title = '        '
  title(1) = 'WAKE TES'
  title(2) = 'T CASE  '
  ddz = 0.001; mte = 3; nz = 60; nt = 100

  ! monopole, logarithmic term, complete run
  sig = 0.005; call calsum()
  n = 30; mrot = 0; irdrive = 5; irp = 5; kend = 99; logt = .true.; lnapm1 = .false.
  wz = 0.0; wt = 0.0; wy = 0.0; wp = 0.0
  do k = 1, n + 5
    wz(k) = real(k * k - 9 * k) * 2.5e10
  end do
  wz(n + 1) = 2.0e13
  do k = n + 2, n + 5
    wz(k) = 9.0e13
  end do
  do k = 1, n + 5
    wp(k) = wz(k) - 1.0e11
  end do
  nq = nint(2.0 * zh / ddz) + 2
  write(*,'(A)') '#case mono'
  call report()

  ! dipole, cut short, coarse bunch
  sig = 0.0035; call calsum()
  n = 30; mrot = 1; irdrive = 5; irp = 7; kend = 57; logt = .false.; lnapm1 = .false.
  call dipole_arrays()
  nq = nint(2.0 * zh / ddz) + 2
  write(*,'(A)') '#case dip'
  call report()

  ! dipole with the drive ring on the axis, Napoly method (no azimuthal wake)
  sig = 0.005; call calsum()
  n = 30; mrot = 1; irdrive = 1; irp = 7; kend = 99; logt = .false.; lnapm1 = .true.
  call dipole_arrays()
  nq = nint(2.0 * zh / ddz) + 2
  write(*,'(A)') '#case dip0'
  call report()

  ! printed tables, monopole: N = 95 (last block of five) and N = 20
  write(*,'(A)') '#case prinw95'
  call prinw_mono(95)
  write(*,'(A)') '#case prinw20'
  call prinw_mono(20)

  ! table-file blocks
  write(*,'(A)') '#case wprin'
  call wprin_block(4, 2, 2.5e-10)
  write(*,'(A)') '#case wprin0'
  call wprin_block(0, 5, 1.0e-12)
  write(*,'(A)') '#case zprin'
  write(*,'(1X,1X,A,A57/1X,1X,9A8)') 'TITLE: ', &
       'LONGITUDINAL LOSS FACTOR INTEGRATED OVER FREQUENCY UPTO F', title
  write(*,'(1X,2X,A,5X,A,6X,A,5X,A)') 'DATE:', 'TIME:', 'MROT:', 'NO. OF POINTS:'
  write(*,'(1X,1X,A8,2X,A8,I7,7X,I8)') '01/02/03', '04.05.06', 0, 3
  write(*,'(1X,1X,A13,1X,A17)') 'Freq. F (GHz)', 'k(F) (V/pC)      '
  do k = 1, 3
    write(*,'(1X,2G13.5)') real(k - 1) * 0.0625, -real(k) * 1.0e-3 + 0.5e-3
  end do
  write(*,'(A)') ' '

contains

  subroutine dipole_arrays()
    wz = 0.0; wt = 0.0; wy = 0.0; wp = 0.0
    do k = 1, n + 5
      wy(k) = real(k) * 1.5e11
      wt(k) = 1.0e12 - real(k) * 3.0e11
      wz(k) = real(k - 4) * 2.0e9
    end do
  end subroutine

  subroutine report()
    real :: d, rw, s1, s2, s3, q, qmin, qmax, t, first, last
    real :: zmin, zmax, tmin, tmax, ymin, ymax, pmin, pmax, az, at, ay, ap
    real :: sumz, sumt, sumy, sump
    integer :: m
    character(*), parameter :: fd = '(A,1P,E10.3,A,1P,E10.3,A,A,1P,E10.3,A,A,1P,E10.3,A)'
    character(*), parameter :: fm = '(A,1P,E10.3,A,1P,E10.3,A,A,1P,E10.3,A)'
    d = real(irdrive - 1) * ddz
    rw = real(irp - 1) * ddz
    zmin = 0; zmax = 0; tmin = 0; tmax = 0; ymin = 0; ymax = 0; pmin = 0; pmax = 0
    do k = 1, n + 1
      zmax = max(zmax, wz(k)); zmin = min(zmin, wz(k))
      tmax = max(tmax, wt(k)); tmin = min(tmin, wt(k))
      ymax = max(ymax, wy(k)); ymin = min(ymin, wy(k))
      pmax = max(pmax, wp(k)); pmin = min(pmin, wp(k))
    end do
    az = max(abs(zmax), abs(zmin)); at = max(abs(tmax), abs(tmin))
    ay = max(abs(ymax), abs(ymin)); ap = max(abs(pmax), abs(pmin))
    sumz = 0; sumt = 0; sumy = 0; sump = 0; first = 0
    m = nq / 2
    do k = 1, nq
      q = dens(k)
      t = wz(k) * q * ddz
      sumz = sumz + t
      sumt = sumt + wt(k) * q * ddz
      sumy = sumy + wy(k) * q * ddz
      sump = sump + wp(k) * q * ddz
      if (k < m) first = first + t
      if (k == m) first = first + 0.5 * t
    end do
    last = sumz - first
    qmax = 0.0; qmin = 1.0e15
    do k = 1, n
      q = dens(k) * ddz
      qmax = max(qmax, q); qmin = min(qmin, q)
    end do
    s1 = 1.0e-12
    if (irdrive > 1) then
      s2 = 1.0e-12 / d
    else
      s2 = 0.0
    end if
    if (rw /= 0.0) then
      s3 = s2 / rw
    else
      s3 = 0.0
    end if
    write(*,'(A,A,9A8,2X,A8,1X,A8,5X,A,1P,E10.3,2X,A,I2)') '1', 'PROBLEM :', title, &
         '01/02/03', '04.05.06', 'SIG/M=', sig, 'MROT=', mrot
    write(*,'(1X,A,A,5X,A,L1,3X,A,L1)') '(A,T,L,P) = WAKE POTENTIAL AS A FUNCTION OF', &
         ' THE BUNCH COORDINATES S IN (M), (*)=BUNCH SHAPE,  FRONT LEFT', 'LTAVO= ', .false., &
         'LNAPOLY= ', lnapm1
    write(*,'(A)') ''
    write(*, fd) ' LINE CHARGE DENSITY MIN/MAX=', qmin / ddz, '/', qmax / ddz, '    C/M**1,', &
         ' SCALE=', qmax / ddz, '    C/M**1,', ' PASSING    AT R=', d, ' M'
    if (mrot == 1) then
      if (.not. lnapm1) write(*, fd) ' AZIMUTHAL    WAKE   MIN/MAX=', ymin * s2, '/', &
           ymax * s2, ' V/PC/M**1,', ' SCALE=', ay * s2, ' V/PC/M**1,', &
           ' NORMALIZED BY D=', d, ' M DIPOLE OFFSET'
      write(*, fd) ' TRANSVERSE   WAKE   MIN/MAX=', tmin * s2, '/', tmax * s2, &
           ' V/PC/M**1,', ' SCALE=', at * s2, ' V/PC/M**1,', ' NORMALIZED BY D=', d, &
           ' M DIPOLE OFFSET'
      write(*, fd) ' LONGITUDINAL WAKE   MIN/MAX=', zmin * s3, '/', zmax * s3, &
           ' V/PC/M**2,', ' SCALE=', az * s3, ' V/PC/M**2,', ' NORMALIZED BY D=', d, &
           ' M DIPOLE OFFSET'
    else
      write(*, fm) ' LONGITUDINAL WAKE   MIN/MAX=', zmin * s1, '/', zmax * s1, ' V/PC/M**0,', &
           ' SCALE=', az * s1, ' V/PC/M**0'
    end if
    if (logt) write(*, fm) ' WAKE WITH LOG, TERM MIN/MAX=', pmin * s1, '/', pmax * s1, &
         ' V/PC/M**0,', ' SCALE=', ap * s1, ' V/PC/M**0'
    if (mrot == 1 .and. irdrive <= 1) write(*,'(1X,A)') &
         '*** WARNING *** THE DRIVE RING IS ON THE AXIS (D=0): DIPOLE VALUES ARE SET TO 0.'
    if (kend < nt - 1 .or. sig / ddz < 4.0) then
      write(*,'(A)') ' '
    else
      write(*,'(A)') '0'
    end if
    if (mrot == 1) then
      if (.not. lnapm1) write(*,'(1X,A,A,1P,E10.3,A)') 'INTEGRATED  AZIMUTHAL    WAKE * ', &
           'CHARGE DENSITY = ', sumy * s2, ' V/PC/M**1'
      write(*,'(1X,A,A,1P,E10.3,A)') 'INTEGRATED  TRANSVERSE   WAKE * ', &
           'CHARGE DENSITY = ', sumt * s2, ' V/PC/M**1'
      write(*,'(1X,A,A,1P,E10.3,A)') 'INTEGRATED  LONGITUDINAL WAKE * ', &
           'CHARGE DENSITY = ', sumz * s3, ' V/PC/M**2'
    else
      write(*,'(1X,A,A,1P,E10.3,A,3X,A,1P,E10.3,A,1P,E10.3,A)') &
           'INTEGRATED  LONGITUDINAL WAKE * ', 'CHARGE DENSITY = ', sumz * s1, ' V/PC/M**0', &
           '(FIRST/LAST HALF = ', first * s1, '/', last * s1, ' V/PC/M**0)'
    end if
    if (logt) write(*,'(1X,A,A,1P,E10.3,A)') 'WITH LOG. TERM DUE TO UNEQUAL BE', &
         'AM PIPE RADII  = ', sump * s1, ' V/PC/M**0'
    if (kend < nt - 1) then
      write(*,'(A)') ''
      write(*,'(1X,A,A,I7)') '*** WARNING *** COMPUTATION IS NOT COMPLETED.', &
           '   THE LAST TIME STEP =', kend
    end if
    if (sig / ddz + 1.0e-6 < 4.0) then
      write(*,'(A)') ''
      write(*,'(1X,A,A,F7.2,A,A)') '*** WARNING *** YOU SHOULD NOT BELIEVE THE ABOVE', &
           ' RESULTS.  SIG/DDZ=', sig / ddz, ' IS TOO SMALL (IT SHOULD BE AT LEAST', ' 4-5).'
    end if
  end subroutine

  subroutine prinw_mono(nn)
    integer, intent(in) :: nn
    integer :: k0, k1
    real :: w(100)
    do k = 1, nn
      w(k) = real(k) * 1.25e3 - 7.0e4
    end do
    write(*,'(A)') '1'
    write(*,'(1X,A)') 'LONGITUDINAL WAKE FIELDS --->'
    write(*,'(A)') ''
    do k0 = 1, nn, 10
      k1 = min(k0 + 9, nn)
      write(*,'(1X,A,1X,10(1X,1P,E11.4))') 'S/M      =', (real(k - 1) * ddz, k = k0, k1)
      write(*,'(1X,A,1X,10(1X,1P,E11.4))') 'LWAKE/V  =', (w(k), k = k0, k1)
      write(*,'(A)') ''
    end do
  end subroutine

  subroutine wprin_block(nn, kind, scale)
    integer, intent(in) :: nn, kind
    real, intent(in) :: scale
    character(40) :: aleg(5)
    character(18) :: wkpt(5)
    aleg(1) = 'LONGITUDINAL WAKE POTENTIAL             '
    aleg(2) = 'AZIMUTHAL WAKE POTENTIAL                '
    aleg(3) = 'TRANSVERSE WAKE POTENTIAL               '
    aleg(4) = 'LONGITUDINAL WAKE POTENTIAL             '
    aleg(5) = 'LONGITUDINAL WAKE POTENTIAL /W LOG. TERM'
    wkpt(1) = '    WZ  (V/pC)    '
    wkpt(2) = '    WA (V/pC/m)   '
    wkpt(3) = '    WT (V/pC/m)   '
    wkpt(4) = '   WZ (V/pC/m**2) '
    wkpt(5) = '    WZ  (V/pC)    '
    write(*,'(1X,1X,A,A40/1X,1X,9A8)') 'TITLE: ', aleg(kind), title
    write(*,'(1X,2X,A,5X,A,6X,A,5X,A)') 'DATE:', 'TIME:', 'MROT:', 'NO. OF POINTS:'
    write(*,'(1X,1X,A8,2X,A8,I7,7X,I8)') '01/02/03', '04.05.06', 1, nn
    write(*,'(1X,A,A18)') '     S  (m)', wkpt(kind)
    do k = 1, nn
      write(*,'(1X,2G13.5)') real(k - 1) * ddz, (real(k) * 3.0e9 - 7.5e9) * scale
    end do
    write(*,'(A)') ' '
  end subroutine

end program
