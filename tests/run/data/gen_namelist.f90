! Reference values of the namelist group reader: reads the group &MESH from each file
! named on the command line with gfortran's own namelist read and writes what it got,
! one file NAME.ref beside each NAME.in. Reals are written as the hex of their 32 bits,
! so that the comparison is exact. After the group, the record that follows it is
! written (NEXT), which shows where the read left the file. A read that gfortran refuses
! writes the single line ERROR.
!
!   gfortran -o gen_namelist gen_namelist.f90 && ./gen_namelist nml_*.in
program gen_namelist
  implicit none
  integer :: nr, ia(4)
  real :: ddz, fac, rz(6)
  logical :: lhalf, la(3)
  integer :: ios, k, n
  character(len=256) :: fin, line
  namelist /mesh/ nr, ia, ddz, fac, rz, lhalf, la

  do k = 1, command_argument_count()
    call get_command_argument(k, fin)
    n = len_trim(fin)
    nr = -1; ia = -1; ddz = -1.0; fac = -1.0; rz = -1.0
    lhalf = .false.; la = (/ .true., .false., .true. /)
    open(10, file=fin, status='old', action='read')
    open(11, file=fin(1:n-3)//'.ref', status='replace', action='write')
    read(10, nml=mesh, iostat=ios)
    if (ios /= 0) then
      write(11, '(A)') 'ERROR'
    else
      write(11, '(A,I0)') 'NR ', nr
      write(11, '(A,4(1X,I0))') 'IA', ia
      write(11, '(A,Z8.8)') 'DDZ ', transfer(ddz, 0)
      write(11, '(A,Z8.8)') 'FAC ', transfer(fac, 0)
      write(11, '(A,6(1X,Z8.8))') 'RZ', (transfer(rz(n), 0), n = 1, 6)
      write(11, '(A,L1)') 'LHALF ', lhalf
      write(11, '(A,3(1X,L1))') 'LA', la
      read(10, '(A)', iostat=ios) line
      if (ios /= 0) then
        write(11, '(A)') 'NEXT EOF'
      else
        write(11, '(A,A)') 'NEXT ', trim(line)
      end if
    end if
    close(10)
    close(11)
  end do
end program
