! Expected records of the structure shape frames, written by gfortran with the same
! descriptor lists and the same 32-bit arithmetic as the program, for the cases of
! tests/results/test_shapes.cpp: a pillbox with pipes (one contour, no arcs) on radial
! meshes of 1, 8 and 9 zones, z step 2 mm over 100 columns.
!   gfortran -O0 gen_shapes.f90 -o gen_shapes && ./gen_shapes > shapes_expected.txt
module shp
  implicit none
  real :: gr(400), xr(20), ddr(20), zl, top, ddz
  integer :: nrl, nzone
  real :: zz(9), rr(9)
  integer :: npts, nlast
contains
  ! Radial zones as tests/geometry/fit_fixture.hpp builds them: (step, number of steps).
  subroutine zones(nz, steps, counts)
    integer, intent(in) :: nz, counts(:)
    real, intent(in) :: steps(:)
    integer :: k, n, line
    real :: base
    line = 1
    gr(1) = 0.0
    top = 0.0
    do k = 1, nz
      base = top
      do n = 1, counts(k)
        gr(line + n) = base + real(n) * steps(k)
      end do
      line = line + counts(k)
      top = base + real(counts(k)) * steps(k)
      ddr(k) = steps(k)
      xr(k) = top
    end do
    ddr(nz + 1) = 0.0
    nzone = nz
    nrl = line
  end subroutine

  subroutine contour()
    ddz = 0.002
    zl = real(100) * ddz
    rr = (/ 0.0, 0.02, 0.02, 0.06, 0.06, 0.02, 0.02, 0.0, 0.0 /)
    zz = (/ 0.0, 0.0, 0.05, 0.05, 0.15, 0.15, 0.0, 0.0, 0.0 /)
    zz(7) = zl
    zz(8) = zl
    npts = 9
    nlast = 7
  end subroutine

  subroutine header(title)
    character(len=*), intent(in) :: title
    write (*, '(1X,A)') ' NEW FRAME'
    write (*, '(1X,A)') ' SET FONT DUPLEX'
    write (*, '(1X,A,A13)') ' SET SIZE 13 BY 10 ', '             '
    write (*, '(1X,A)') ' SET WINDOW X FROM 2 12 Y FROM 1 TO 8'
    write (*, '(1X,A)') ' SET TICKS SIZE 0.05'
    write (*, '(1X,A,A,A,A)') ' TITLE 7.0 9.0 CENTER SIZE 2.2  ', "'", title, "'"
    write (*, '(1X,A,A,A,3A8,A)') ' TITLE 2.0 8.6 SIZE 1.5  ', "'", 'ZELK_MP 12.5 : ', &
      'SHAPE TE', 'ST CASE ', '        ', "'"
    write (*, '(1X,A,A,6A8,A)') ' MORE ', "'", '        ', '        ', '        ', &
      '        ', '        ', '        ', "'"
    write (*, '(1X,A,A,A,A)') ' TITLE BOTTOM ', "'", 'Z-axis (m)', "'"
    write (*, '(1X,A,A,A,A)') ' TITLE LEFT   ', "'", 'R-axis (m)', "'"
    write (*, '(1X,A,A,A8,2X,A8,A)') ' TITLE 10.9 8.9 SIZE 1.25 ', "'", '01/02/03', '04.05.06', "'"
  end subroutine

  subroutine mesh_titles(n)
    integer, intent(in) :: n
    integer :: k
    write (*, '(1X,A,A,A,F6.3,A,2X,A,F6.3,A,A)') ' TITLE 2.00 8.3 SIZE 1.40 ', "'", 'DDZ=', &
      ddz * 1000.0, ' mm,', 'DDR=', ddr(1) * 1000.0, ' mm', "'"
    do k = 2, n
      write (*, '(1X,A,1X,A,A,F6.3,A,A)') ' MORE', "'", ', ', ddr(k) * 1000.0, ' mm', "'"
    end do
  end subroutine

  integer function zcount()
    zcount = 1
    do while (ddr(zcount + 1) /= 0.0)
      zcount = zcount + 1
    end do
  end function

  subroutine pt(x, y)
    real, intent(in) :: x, y
    write (*, '(1X,2G13.5)') x, y
  end subroutine

  ! The input frame of the one-contour pillbox; ipath 0 none, 1 straight path on line
  ! kmin, 2 the Napoly contour (izcf, izct, irwak).
  subroutine input_frame(ipath, kmin, izcf, izct, irwak)
    integer, intent(in) :: ipath, kmin, izcf, izct, irwak
    integer :: n, k
    real :: xmin, xmax, ymin, ymax, dz, dr, za, zb
    n = zcount()
    if (n > 8) n = 6
    call header('Cavity Shape Input')
    call mesh_titles(n)
    xmin = -zl / 20.0
    xmax = zl - xmin
    ymin = -top / 20.0
    ymax = top - ymin
    write (*, '(1X,A,2G13.5,A,2G13.5)') ' SET LIMITS X ', xmin, xmax, ' Y ', ymin, ymax
    call pt(zz(1), rr(1))
    call pt(zz(2), rr(2))
    write (*, '(1X,A)') ' JOIN 1 DOTS'
    do k = 2, nlast
      call pt(zz(k), rr(k))
    end do
    write (*, '(1X,A)') ' JOIN 1 SOLID'
    call pt(zz(nlast), rr(nlast))
    call pt(zz(nlast + 1), rr(nlast + 1))
    write (*, '(1X,A)') ' JOIN 1 DOTS'
    call pt(zz(nlast + 1), rr(nlast + 1))
    call pt(0.0, 0.0)
    write (*, '(1X,A)') ' JOIN 1 DOTDASH'
    if (ipath == 0) return
    dr = ymax / 200.0
    dz = xmax / 200.0
    if (ipath == 1) then
      call pt(zz(2), gr(kmin) - dr)
      call pt(zz(nlast), gr(kmin) - dr)
    else
      za = real(izcf - 1) * ddz
      zb = real(izct - 1) * ddz
      call pt(zz(2), rr(2) - dr)
      call pt(za - dz, rr(2) - dr)
      call pt(za - dz, gr(irwak) - dr)
      call pt(zb + dz, gr(irwak) - dr)
      call pt(zb + dz, rr(nlast) - dr)
      call pt(zz(nlast), rr(nlast) - dr)
    end if
    write (*, '(1X,A)') ' JOIN 1 DASH'
  end subroutine

  ! The used frame up to the end of the left pipe end (the fitted boundary follows).
  subroutine used_head()
    integer :: n, k
    real :: xmin, xmax, ymin, ymax
    n = zcount()
    if (n > 6) n = 6
    call header('Cavity Shape Used')
    call mesh_titles(n)
    xmin = -zl / 20.0
    xmax = zl - xmin
    ymin = -top / 20.0
    ymax = top - ymin
    write (*, '(1X,A,2G13.5,A,2G13.5)') ' SET LIMITS X ', xmin, xmax, ' Y ', ymin, ymax
    if (n > 1) then
      write (*, '(1X,A)') ' SET ARROW FLARE 0.3'
      do k = 1, n - 1
        write (*, '(1X,A,2G11.4,A,2G11.4,A)') ' ARROW FROM ', xmax - xmin, xr(k), ' DATA TO ', &
          xmax - xmin / 10.0, xr(k), ' DATA'
      end do
    end if
    call pt(zz(1), rr(1))
    call pt(zz(2), rr(2))
    write (*, '(1X,A)') ' JOIN 1 DOTS'
  end subroutine
end module

program gen_shapes
  use shp
  implicit none
  call contour()

  call zones(1, (/ 0.002 /), (/ 40 /))
  write (*, '(A)') '#case input_z1'
  call input_frame(0, 0, 0, 0, 0)
  write (*, '(A)') '#case input_z1_path'
  call input_frame(1, 11, 0, 0, 0)
  write (*, '(A)') '#case input_z1_napoly'
  call input_frame(2, 0, 20, 80, 11)
  write (*, '(A)') '#case used_z1'
  call used_head()

  call zones(8, (/ 0.002, 0.001, 0.002, 0.004, 0.002, 0.001, 0.002, 0.004 /), &
             (/ 10, 10, 5, 5, 5, 10, 5, 5 /))
  write (*, '(A)') '#case input_z8'
  call input_frame(0, 0, 0, 0, 0)
  write (*, '(A)') '#case used_z8'
  call used_head()

  call zones(9, (/ 0.002, 0.001, 0.002, 0.004, 0.002, 0.001, 0.002, 0.004, 0.002 /), &
             (/ 10, 10, 5, 5, 5, 10, 5, 5, 5 /))
  write (*, '(A)') '#case input_z9'
  call input_frame(0, 0, 0, 0, 0)
  write (*, '(A)') '#case used_z9'
  call used_head()
end program
